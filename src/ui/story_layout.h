#pragma once

#include <QtGui/private/qtextdocumentlayout_p.h>

namespace kt::ui {

// The toolkit's document layout, with one key costing the same anywhere in a story.
//
// The toolkit answers every change by walking from the changed paragraph to the end of the
// document, moving each later paragraph's lines and finding each one's text direction from its
// text again: a key in the middle of 2 MB costs four times one at the end. Most changes are typing
// inside one paragraph that keeps its height, and then nothing after it moves. Such a change lays
// out that paragraph alone, by the toolkit's own rules, and every other change (a paragraph
// growing or shrinking, paragraphs joined or split, tables, floats, pages, a layout not finished
// yet) goes to the toolkit as before.
class StoryLayout final : public QTextDocumentLayout {
    Q_OBJECT
public:
    explicit StoryLayout(QTextDocument* document);

    // How many changes were laid out in place so far.
    int changesInPlace() const { return m_inPlace; }

protected:
    void documentChanged(int from, int oldLength, int length) override;

private:
    // Lays out again, in place, the one paragraph the change lies in; false when that is not
    // enough (the paragraph's height changed, or the change is not of that kind).
    bool relayoutParagraph(int from, int length);

    int m_blockCount;
    int m_inPlace = 0;
};

} // namespace kt::ui
