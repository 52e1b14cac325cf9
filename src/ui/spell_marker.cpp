#include "ui/spell_marker.h"

#include "ui/speller.h"

#include <QAbstractScrollArea>
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace kt::ui {
namespace {

// Marks the program's own extra selections, so that others a control may show are kept.
constexpr int kSpellingMarkProperty = QTextFormat::UserProperty + 0x5e11;
// How far past the screen's edge a word cut by it is followed.
constexpr int kEdgeReach = 64;

std::vector<SpellMarker*>& liveMarkers() {
    static std::vector<SpellMarker*> markers;
    return markers;
}

bool isMark(const QTextEdit::ExtraSelection& s) {
    return s.format.boolProperty(kSpellingMarkProperty);
}

} // namespace

SpellMarker::SpellMarker(QAbstractScrollArea* area, std::function<QTextCursor(QPoint)> cursorAt,
                         std::function<void(const QTextCursor&)> setCursor,
                         std::function<Selections()> selections,
                         std::function<void(const Selections&)> setSelections)
    : QObject(area), m_area(area), m_cursorAt(std::move(cursorAt)),
      m_setCursor(std::move(setCursor)), m_selections(std::move(selections)),
      m_setSelections(std::move(setSelections)) {
    setObjectName(QStringLiteral("spellMarker"));
    m_mark.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    m_mark.setUnderlineColor(Qt::red);
    m_mark.setProperty(kSpellingMarkProperty, true);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SpellMarker::mark);
    area->viewport()->installEventFilter(this);
    connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, &SpellMarker::later);
    connect(area->horizontalScrollBar(), &QScrollBar::valueChanged, this, &SpellMarker::later);
    liveMarkers().push_back(this);
}

SpellMarker::~SpellMarker() {
    auto& all = liveMarkers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void SpellMarker::recheckAll() {
    for (SpellMarker* m : liveMarkers())
        m->later();
}

void SpellMarker::setDocument(QTextDocument* document) {
    if (m_document == document)
        return;
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (document) {
        connect(document, &QTextDocument::contentsChange, this, &SpellMarker::later);
        // What is on screen is known only once the text is laid out, which may come later.
        connect(document->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                &SpellMarker::later);
    }
    later();
}

bool SpellMarker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
        later();
    return QObject::eventFilter(watched, event);
}

void SpellMarker::mark() {
    Selections kept;
    Selections old;
    for (const QTextEdit::ExtraSelection& s : m_selections())
        (isMark(s) ? old : kept).append(s);
    Selections marks;
    Speller& speller = Speller::current();
    const QRect screen = m_area->viewport()->rect();
    if (m_document && speller.hasDictionary() && m_area->isVisible() && !screen.isEmpty()) {
        // The toolkit's hit test walks the rest of the document for a point above every line,
        // such as one in the top margin, so the top is taken just inside the margin.
        const int margin = static_cast<int>(m_document->documentMargin()) + 1;
        const int from = m_cursorAt({margin, margin}).position();
        const int to = m_cursorAt(screen.bottomRight()).position();
        for (QTextBlock block = m_document->findBlock(from);
             block.isValid() && block.position() <= to; block = block.next()) {
            // The part of the block on screen, widened to whole words at both edges.
            const QString text = block.text();
            const auto size = static_cast<int>(text.size());
            int lo = std::clamp(from - block.position(), 0, size);
            int hi = std::clamp(to - block.position() + 1, 0, size);
            for (int n = 0; lo > 0 && !text[lo - 1].isSpace() && n < kEdgeReach; ++n)
                --lo;
            for (int n = 0; hi < size && !text[hi].isSpace() && n < kEdgeReach; ++n)
                ++hi;
            const QStringView part = QStringView(text).mid(lo, hi - lo);
            Speller::forEachWord(part, [&](int start, int length) {
                if (speller.isCorrect(part.mid(start, length)))
                    return;
                QTextEdit::ExtraSelection s;
                s.cursor = QTextCursor(m_document);
                s.cursor.setPosition(block.position() + lo + start);
                s.cursor.setPosition(block.position() + lo + start + length,
                                     QTextCursor::KeepAnchor);
                s.format = m_mark;
                marks.append(s);
            });
        }
    }
    const auto sameRange = [](const QTextEdit::ExtraSelection& a,
                              const QTextEdit::ExtraSelection& b) {
        return a.cursor.selectionStart() == b.cursor.selectionStart() &&
               a.cursor.selectionEnd() == b.cursor.selectionEnd();
    };
    if (std::equal(marks.begin(), marks.end(), old.begin(), old.end(), sameRange))
        return;
    m_setSelections(kept + marks);
}

void SpellMarker::addToMenu(QMenu& menu, QPoint viewportPos) {
    Speller& speller = Speller::current();
    if (!m_document || !speller.hasDictionary())
        return;
    const QTextCursor at = m_cursorAt(viewportPos);
    const QTextBlock block = at.block();
    const QString text = block.text();
    const int p = at.positionInBlock();
    int start = -1;
    int length = 0;
    Speller::forEachWord(text, [&](int s, int n) {
        if (start < 0 && s <= p && p <= s + n) {
            start = s;
            length = n;
        }
    });
    if (start < 0)
        return;
    const QString word = text.mid(start, length);
    if (speller.isCorrect(word))
        return;

    QAction* before = menu.actions().value(0);
    const int position = block.position() + start;
    const QPointer<QTextDocument> document = m_document;
    for (const QString& suggestion : speller.suggestions(word)) {
        auto* choose = new QAction(QString(suggestion).replace(u'&', QStringLiteral("&&")), &menu);
        connect(choose, &QAction::triggered, this, [this, document, position, word, suggestion] {
            if (!document || document != m_document)
                return;
            QTextCursor c(document);
            c.setPosition(position);
            c.setPosition(position + static_cast<int>(word.size()), QTextCursor::KeepAnchor);
            if (c.selectedText() != word)
                return;
            c.insertText(suggestion);
            m_setCursor(c);
        });
        menu.insertAction(before, choose);
    }
    auto* ignore = new QAction(QStringLiteral("Ignore"), &menu);
    ignore->setObjectName(QStringLiteral("mnuSpellIgnore"));
    connect(ignore, &QAction::triggered, this, [word] { Speller::current().ignore(word); });
    menu.insertAction(before, ignore);
    if (before)
        menu.insertSeparator(before);
}

} // namespace kt::ui
