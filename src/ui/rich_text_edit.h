#pragma once

#include <QColor>
#include <QList>
#include <QPaintDevice>
#include <QPointer>
#include <QString>
#include <QTextEdit>

#include "ui/picture.h"
#include "ui/text_control.h"

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QTextDocument;

namespace kt::ui {

class PictureView;

// The character format of a selection as the editor's commands see it.
struct SelectionFormat {
    QString family;
    double pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor color;
};

// Reports a resolution scaled by the zoom factor, so the document's layout (and only the
// layout) grows or shrinks; the document's own formats are never touched.
class ZoomDevice final : public QPaintDevice {
public:
    void setFactor(double factor) { m_factor = factor; }
    double factor() const { return m_factor; }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    double m_factor = 1.0;
};

// The rich-text control of the text editor window.
//
// Positions (SelStart, SelLength) count the whole plain text as Text() gives it, in which every
// line break is the two characters CR LF. The document underneath counts a paragraph break or a
// line separator (U+2028) as one character; the two are mapped through a sorted table of the
// document positions of the breaks, built once per content revision, so a lookup is a binary
// search however long the document is.
//
// Cut, copy and paste belong to the window's Edit commands, which follow their own enabled
// rules: the control's built-in keys, context menu and middle-click paste hand them over instead
// of acting by themselves, and everything that crosses the clipboard or a drag is plain text.
class RichTextEdit : public TextControl<QTextEdit> {
    Q_OBJECT
public:
    explicit RichTextEdit(QWidget* parent = nullptr);
    ~RichTextEdit() override;

    enum class EditCommand { Cut, Copy, Paste };
    Q_ENUM(EditCommand)

    // The whole plain text with CR LF line breaks, cached per content revision.
    QString Text() const;
    // Replaces the whole content; the text takes the format at the insertion point. One
    // assignment is one content change.
    void setText(const QString& text);

    qsizetype SelStart() const;
    // Moves the insertion point there; nothing stays selected.
    void setSelStart(qsizetype start);
    qsizetype SelLength() const;
    // Extends the selection from SelStart.
    void setSelLength(qsizetype length);
    void select(qsizetype start, qsizetype length);
    QString SelText() const;
    // Replaces the selection, which then ends after the inserted text.
    void setSelText(const QString& text);
    bool hasSelection() const;

    // The format of the selection's first character (at the insertion point when nothing is
    // selected).
    SelectionFormat selectionFormat() const;
    // Whether characters of the selection differ in font name, size, style or colour.
    bool selectionMixesFonts() const;
    bool selectionMixesColors() const;
    // True when every character of the selection (or the insertion point) shows this colour,
    // or this font (name, size, bold, italic, underline; the colour of `font` plays no part).
    bool selectionAllInColor(const QColor& color) const;
    bool selectionAllInFont(const SelectionFormat& font) const;
    void setSelectionFont(const QString& family, double pointSize, bool bold, bool italic,
                          bool underline);
    void setSelectionColor(const QColor& color);

    bool LoadFile(const QString& path, QString* error = nullptr);
    // The same from rich text in memory.
    bool LoadRichText(const QByteArray& richText, QString* error = nullptr);
    bool SaveFile(const QString& path, QString* error = nullptr) const;

    // Bumped on every change of the text (not of formats only).
    quint64 revision() const { return m_revision; }

    // Position mapping between the CR LF text and the document. A CR LF position between the
    // two characters of a break maps to after the break.
    qsizetype toCrLf(int documentPosition) const;
    int toDocument(qsizetype crlfPosition) const;

    // The window's Cut, Copy and Paste items, offered by the context menu with their state.
    void setEditActions(QAction* cut, QAction* copy, QAction* paste);

    // Inserts the pictures at the cursor, as one edit that one undo takes back.
    void insertPictures(const QList<Picture>& pictures);

Q_SIGNALS:
    // Every change of the content, typed or set by the program.
    void Change();
    // A built-in cut, copy or paste gesture that the window's command must carry out.
    void editCommandRequested(kt::ui::RichTextEdit::EditCommand command);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The layout measures on a device scaled by the factor; painting stays at 1:1.
    void showZoomed(double factor) override;
    // Undo, Redo and the window's Cut, Copy and Paste.
    QMenu* createContextMenu(QPoint pos) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    // A dropped picture file or image comes in as a picture; text as plain text.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Shows `fresh` instead of the current document, which is deleted; whatever pointed into
    // the old one is dropped first.
    void replaceDocument(QTextDocument* fresh);
    // Shows what `read` puts into a fresh document of the given size in bytes, unless it fails.
    bool load(qint64 size, const std::function<bool(QTextDocument&)>& read);
    void attachDocument();
    void restyleSelection(const QTextCharFormat& format);
    void onContentsChange(int position, int removed, int added);
    void ensureIndex() const;
    template <class Fn> void forEachRun(Fn&& fn) const;
    SelectionFormat resolve(const QTextCharFormat& format) const;
    QColor colorOf(const QTextCharFormat& format) const;

    // Format changes made by the commands are not content changes.
    bool m_quiet = false;
    quint64 m_revision = 0;
    mutable quint64 m_indexedRevision = ~quint64(0);
    mutable QString m_text;
    mutable std::vector<int> m_breaks; // document positions of the line breaks, ascending
    QPointer<QTextDocument> m_ownedDocument;
    QList<QPointer<QAction>> m_editActions;
    ZoomDevice m_zoom;
    PictureView* m_pictures;
};

} // namespace kt::ui
