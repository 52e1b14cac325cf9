#include "platform/spell_marker.h"

#include "platform/speller.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace kt::platform {
namespace {

// An edit within this many blocks and characters is checked at once.
constexpr int kSmallChangeBlocks = 4;
constexpr int kSmallChangeChars = 4096;
// At most this many blocks count as on screen.
constexpr int kMaxVisibleBlocks = 500;

std::vector<SpellMarker*>& liveMarkers() {
    static std::vector<SpellMarker*> markers;
    return markers;
}

} // namespace

SpellMarker::SpellMarker(QTextEdit* edit)
    : SpellMarker(
          edit, [edit](QPoint p) { return edit->cursorForPosition(p); },
          [edit](const QTextCursor& c) { edit->setTextCursor(c); }) {
    setDocument(edit->document());
}

SpellMarker::SpellMarker(QPlainTextEdit* edit)
    : SpellMarker(
          edit, [edit](QPoint p) { return edit->cursorForPosition(p); },
          [edit](const QTextCursor& c) { edit->setTextCursor(c); }) {
    setDocument(edit->document());
}

SpellMarker::SpellMarker(QAbstractScrollArea* area, std::function<QTextCursor(QPoint)> cursorAt,
                         std::function<void(const QTextCursor&)> setCursor)
    : QObject(area), m_area(area), m_cursorAt(std::move(cursorAt)),
      m_setCursor(std::move(setCursor)) {
    setObjectName(QStringLiteral("spellMarker"));
    m_mark.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    m_mark.setUnderlineColor(Qt::red);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SpellMarker::checkVisible);
    area->viewport()->installEventFilter(this);
    connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { m_timer.start(0); });
    liveMarkers().push_back(this);
}

SpellMarker::~SpellMarker() {
    auto& all = liveMarkers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void SpellMarker::recheckAll() {
    for (SpellMarker* m : liveMarkers())
        m->restart();
}

void SpellMarker::setDocument(QTextDocument* document) {
    if (m_document == document)
        return;
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (document)
        connect(document, &QTextDocument::contentsChange, this, &SpellMarker::onContentsChange);
    restart();
}

void SpellMarker::restart() {
    m_timer.start(0);
}

bool SpellMarker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Resize)
        m_timer.start(0);
    return QObject::eventFilter(watched, event);
}

bool SpellMarker::stale(const QTextBlock& block) const {
    return block.userState() != Speller::generation();
}

void SpellMarker::checkBlock(const QTextBlock& constBlock) {
    QTextBlock block = constBlock;
    block.setUserState(Speller::generation());
    QList<QTextLayout::FormatRange> marks;
    Speller& speller = Speller::current();
    if (speller.hasDictionary()) {
        const QString text = block.text();
        Speller::forEachWord(text, [&](int start, int length) {
            if (!speller.isCorrect(QStringView(text).mid(start, length)))
                marks.append({start, length, m_mark});
        });
    }
    QTextLayout* layout = block.layout();
    if (!layout || layout->formats() == marks)
        return;
    layout->setFormats(marks);
    m_relayoutFrom =
        m_relayoutFrom < 0 ? block.position() : std::min(m_relayoutFrom, block.position());
    m_relayoutTo = std::max(m_relayoutTo, block.position() + block.length());
}

void SpellMarker::relayout() {
    if (m_relayoutFrom < 0)
        return;
    // Lays the blocks out again and repaints them, once for all the blocks just marked; not a
    // change of the content. The toolkit's layout walks every later block of the document here,
    // which is why only what is on screen is marked.
    m_document->markContentsDirty(m_relayoutFrom, m_relayoutTo - m_relayoutFrom);
    m_relayoutFrom = -1;
    m_relayoutTo = -1;
}

void SpellMarker::onContentsChange(int position, int, int added) {
    QTextBlock block = m_document->findBlock(position);
    const QTextBlock last = m_document->findBlock(position + added);
    if (!block.isValid())
        return;
    int count = 0;
    for (QTextBlock b = block; b.isValid() && count <= kSmallChangeBlocks; b = b.next()) {
        ++count;
        if (b == last)
            break;
    }
    if (added <= kSmallChangeChars && count <= kSmallChangeBlocks) {
        for (int i = 0; i < count; ++i, block = block.next())
            checkBlock(block);
        relayout();
        return;
    }
    // Blocks the change made are new and so unchecked; the two it cut into are checked again
    // when they are seen.
    block.setUserState(-1);
    if (last.isValid())
        QTextBlock(last).setUserState(-1);
    m_timer.start(0);
}

void SpellMarker::checkVisible() {
    const QRect r = m_area->viewport()->rect();
    if (!m_document || !m_area->isVisible() || r.isEmpty())
        return;
    const QTextBlock last = m_cursorAt(r.bottomRight()).block();
    QTextBlock block = m_cursorAt(r.topLeft()).block();
    for (int n = 0; block.isValid() && n < kMaxVisibleBlocks; block = block.next(), ++n) {
        if (stale(block))
            checkBlock(block);
        if (block == last)
            break;
    }
    relayout();
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

} // namespace kt::platform
