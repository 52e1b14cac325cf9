#include "ui/rich_text_edit.h"

#include "rtf/document.h"
#include "rtf/rtf.h"
#include "ui/busy_cursor.h"
#include "ui/picture_view.h"
#include "ui/spell_marker.h"
#include "ui/story_layout.h"
#include "ui/wrap_guard.h"
#include "ui/zoom.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kt::ui {
namespace {

// Texts longer than this get the busy cursor while they are put in.
constexpr qsizetype kBusyTextLength = 1 << 20;

bool isBreak(char16_t c) {
    // Paragraph and line separators, and the frame marks that plain text shows as breaks too.
    return c == 0x2029 || c == 0x2028 || c == 0xFDD0 || c == 0xFDD1;
}

} // namespace

int ZoomDevice::metric(PaintDeviceMetric m) const {
    // The screen's resolution scaled by the factor; the rest as a plain 96 dpi screen.
    const int dpi = static_cast<int>(std::lround(96 * m_factor));
    switch (m) {
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return dpi;
    case PdmWidth:
    case PdmHeight:
        return 4096;
    case PdmWidthMM:
    case PdmHeightMM:
        return 4096 * 254 / (dpi * 10);
    case PdmNumColors:
        return 0xFFFFFF;
    case PdmDepth:
        return 24;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

RichTextEdit::RichTextEdit(QWidget* parent)
    : TextControl(parent), m_pictures(new PictureView(this)) {
    setObjectName(QStringLiteral("txtEdit"));
    setAcceptRichText(false);
    m_ownedDocument = new rtf::Document(this);
    m_ownedDocument->setDocumentLayout(new StoryLayout(m_ownedDocument));
    setDocument(m_ownedDocument);
    attachDocument();
}

RichTextEdit::~RichTextEdit() {
    // The document outlives this object's members; its layout must not keep the zoom device.
    document()->documentLayout()->setPaintDevice(nullptr);
}

void RichTextEdit::replaceDocument(QTextDocument* fresh) {
    // Extra selections (the spelling marks among them) hold cursors into the shown document,
    // and the control measures the old ones whenever new ones are set: they go while the
    // document they point into still exists.
    setExtraSelections({});
    QPointer<QTextDocument> previous = m_ownedDocument;
    m_quiet = true;
    m_wrap->replace(fresh->toRawText(), [&] { setDocument(fresh); });
    m_quiet = false;
    m_ownedDocument = fresh;
    if (previous)
        previous->documentLayout()->setPaintDevice(nullptr);
    delete previous.data();
    attachDocument();
}

void RichTextEdit::attachDocument() {
    connect(document(), &QTextDocument::contentsChange, this, &RichTextEdit::onContentsChange,
            Qt::UniqueConnection);
    m_spelling->setDocument(document());
    m_wrap->watch(document());
    m_pictures->attach(*document());
    showZoomed(zoomFactor());
}

void RichTextEdit::onContentsChange(int, int, int) {
    if (m_quiet)
        return;
    ++m_revision;
    Q_EMIT Change();
}

QString RichTextEdit::Text() const {
    ensureIndex();
    return m_text;
}

void RichTextEdit::setText(const QString& text) {
    BusyCursor busy(text.size() > kBusyTextLength, window());
    m_quiet = true;
    // Keeps the format at the insertion point for the whole new text.
    m_wrap->replace(text, [&] { setPlainText(text); });
    m_quiet = false;
    ++m_revision;
    Q_EMIT Change();
}

void RichTextEdit::ensureIndex() const {
    if (m_indexedRevision == m_revision)
        return;
    const QString raw = document()->toRawText();
    m_breaks.clear();
    const char16_t* in = reinterpret_cast<const char16_t*>(raw.constData());
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n; ++i)
        if (isBreak(in[i]))
            m_breaks.push_back(static_cast<int>(i));
    m_text.resize(n + static_cast<qsizetype>(m_breaks.size()));
    char16_t* out = reinterpret_cast<char16_t*>(m_text.data());
    qsizetype from = 0;
    for (int b : m_breaks) {
        std::copy(in + from, in + b, out);
        out += b - from;
        *out++ = u'\r';
        *out++ = u'\n';
        from = b + 1;
    }
    std::copy(in + from, in + n, out);
    m_indexedRevision = m_revision;
}

qsizetype RichTextEdit::toCrLf(int documentPosition) const {
    ensureIndex();
    const auto before = std::lower_bound(m_breaks.begin(), m_breaks.end(), documentPosition);
    return documentPosition + (before - m_breaks.begin());
}

int RichTextEdit::toDocument(qsizetype crlfPosition) const {
    ensureIndex();
    const qsizetype c = std::clamp<qsizetype>(crlfPosition, 0, m_text.size());
    // Break i stands at CR LF positions breaks[i] + i and breaks[i] + i + 1; count the breaks
    // that start before c and do not hold c between their two characters.
    qsizetype lo = 0;
    qsizetype hi = static_cast<qsizetype>(m_breaks.size());
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (m_breaks[static_cast<size_t>(mid)] + mid + 1 < c)
            lo = mid + 1;
        else
            hi = mid;
    }
    return static_cast<int>(c - lo);
}

qsizetype RichTextEdit::SelStart() const {
    return toCrLf(textCursor().selectionStart());
}

void RichTextEdit::setSelStart(qsizetype start) {
    QTextCursor c = textCursor();
    c.setPosition(toDocument(start));
    setTextCursor(c);
}

qsizetype RichTextEdit::SelLength() const {
    const QTextCursor c = textCursor();
    return toCrLf(c.selectionEnd()) - toCrLf(c.selectionStart());
}

void RichTextEdit::setSelLength(qsizetype length) {
    select(SelStart(), length);
}

void RichTextEdit::select(qsizetype start, qsizetype length) {
    QTextCursor c = textCursor();
    c.setPosition(toDocument(start));
    c.setPosition(toDocument(start + std::max<qsizetype>(length, 0)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichTextEdit::SelText() const {
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return {};
    const qsizetype start = toCrLf(c.selectionStart());
    return m_text.mid(start, toCrLf(c.selectionEnd()) - start);
}

void RichTextEdit::setSelText(const QString& text) {
    insertPlain(text);
}

bool RichTextEdit::hasSelection() const {
    return textCursor().hasSelection();
}

template <class Fn> void RichTextEdit::forEachRun(Fn&& fn) const {
    const QTextCursor cursor = textCursor();
    const int a = cursor.selectionStart();
    const int b = cursor.selectionEnd();
    bool any = false;
    if (a < b) {
        for (QTextBlock block = document()->findBlock(a); block.isValid() && block.position() < b;
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (f.position() + f.length() <= a)
                    continue;
                if (f.position() >= b)
                    break;
                any = true;
                if (!fn(f.charFormat()))
                    return;
            }
        }
    }
    if (!any)
        fn(cursor.charFormat());
}

QColor RichTextEdit::colorOf(const QTextCharFormat& format) const {
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        return format.foreground().color();
    return palette().color(QPalette::Text);
}

SelectionFormat RichTextEdit::resolve(const QTextCharFormat& format) const {
    const QFont f = format.font().resolve(document()->defaultFont());
    return {f.family(), f.pointSizeF(), f.bold(), f.italic(), f.underline(), colorOf(format)};
}

SelectionFormat RichTextEdit::selectionFormat() const {
    SelectionFormat first;
    forEachRun([&](const QTextCharFormat& f) {
        first = resolve(f);
        return false;
    });
    return first;
}

namespace {

// Font name, size, bold, italic and underline (a size of 0 matches any size).
bool sameFont(const SelectionFormat& a, const SelectionFormat& b) {
    return a.family.compare(b.family, Qt::CaseInsensitive) == 0 &&
           (a.pointSize <= 0 || b.pointSize <= 0 || a.pointSize == b.pointSize) &&
           a.bold == b.bold && a.italic == b.italic && a.underline == b.underline;
}

} // namespace

bool RichTextEdit::selectionMixesFonts() const {
    std::optional<SelectionFormat> first;
    bool mixed = false;
    forEachRun([&](const QTextCharFormat& f) {
        const SelectionFormat s = resolve(f);
        if (!first) {
            first = s;
            return true;
        }
        mixed = !sameFont(s, *first);
        return !mixed;
    });
    return mixed;
}

bool RichTextEdit::selectionAllInFont(const SelectionFormat& font) const {
    bool all = true;
    forEachRun([&](const QTextCharFormat& f) {
        all = sameFont(resolve(f), font);
        return all;
    });
    return all;
}

bool RichTextEdit::selectionMixesColors() const {
    std::optional<QRgb> first;
    bool mixed = false;
    forEachRun([&](const QTextCharFormat& f) {
        const QRgb c = colorOf(f).rgb();
        if (!first)
            first = c;
        mixed = c != *first;
        return !mixed;
    });
    return mixed;
}

bool RichTextEdit::selectionAllInColor(const QColor& color) const {
    bool all = true;
    forEachRun([&](const QTextCharFormat& f) {
        all = colorOf(f).rgb() == color.rgb();
        return all;
    });
    return all;
}

void RichTextEdit::setSelectionFont(const QString& family, double pointSize, bool bold, bool italic,
                                    bool underline) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{family});
    if (pointSize > 0)
        f.setFontPointSize(pointSize);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    restyleSelection(f);
}

void RichTextEdit::setSelectionColor(const QColor& color) {
    QTextCharFormat f;
    f.setForeground(QBrush(color));
    restyleSelection(f);
}

void RichTextEdit::restyleSelection(const QTextCharFormat& format) {
    // Restyling the whole of a long story lays it all out again: 10 MB takes seconds.
    const QTextCursor cursor = textCursor();
    const BusyCursor busy(cursor.selectionEnd() - cursor.selectionStart() > kBusyTextLength,
                          window());
    m_quiet = true;
    mergeCurrentCharFormat(format);
    m_quiet = false;
}

bool RichTextEdit::LoadFile(const QString& path, QString* error) {
    return load(QFileInfo(path).size(),
                [&](QTextDocument& fresh) { return rtf::loadFile(path, fresh, error); });
}

bool RichTextEdit::LoadRichText(const QByteArray& richText, QString* error) {
    return load(richText.size(),
                [&](QTextDocument& fresh) { return rtf::read(richText, fresh, error); });
}

bool RichTextEdit::load(qint64 size, const std::function<bool(QTextDocument&)>& read) {
    // Read into a document of its own, so a failed load leaves the shown one untouched and the
    // load itself is not an undo step.
    auto* fresh = new rtf::Document(this);
    fresh->setDocumentLayout(new StoryLayout(fresh));
    fresh->setDefaultFont(document()->defaultFont());
    fresh->setUndoRedoEnabled(false);
    bool ok = false;
    {
        BusyCursor busy(size > kBusyTextLength, window());
        ok = read(*fresh);
        if (ok) {
            fresh->setUndoRedoEnabled(true);
            replaceDocument(fresh);
        }
    }
    if (!ok) {
        delete fresh;
        return false;
    }
    ++m_revision;
    Q_EMIT Change();
    return true;
}

bool RichTextEdit::SaveFile(const QString& path, QString* error) const {
    return rtf::saveFile(path, *document(), error);
}

void RichTextEdit::setEditActions(QAction* cut, QAction* copy, QAction* paste) {
    m_editActions = {cut, copy, paste};
}

void RichTextEdit::showZoomed(double factor) {
    // The whole story is laid out again at the new size: a second for 10 MB.
    const BusyCursor busy(document()->characterCount() > kBusyTextLength, window());
    m_zoom.setFactor(factor);
    // The layout measures on the zoom device; painting stays on the viewport at 1:1, so the
    // document is drawn larger or smaller while its formats stay as they are.
    document()->documentLayout()->setPaintDevice(
        factor == 1.0 ? static_cast<QPaintDevice*>(viewport()) : &m_zoom);
    document()->markContentsDirty(0, document()->characterCount());
    viewport()->update();
}

bool RichTextEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Let the window's menu shortcuts have these instead of the control's own handling.
        if (key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy) ||
            key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll)) {
            event->ignore();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void RichTextEdit::keyPressEvent(QKeyEvent* event) {
    // Reached only when the window's shortcut did not take the key (its item is disabled, or the
    // key is another form of the same gesture such as Shift+Delete).
    if (event->matches(QKeySequence::Cut)) {
        Q_EMIT editCommandRequested(EditCommand::Cut);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        Q_EMIT editCommandRequested(EditCommand::Copy);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Q_EMIT editCommandRequested(EditCommand::Paste);
        return;
    }
    if (event->matches(QKeySequence::SelectAll))
        return; // Ctrl+A is the window's Save As
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_Y) {
        redo();
        return;
    }
    TextControl::keyPressEvent(event);
}

QMenu* RichTextEdit::createContextMenu(QPoint) {
    auto* menu = new QMenu(this);
    QAction* undoItem = menu->addAction(QStringLiteral("&Undo"), this, &QTextEdit::undo);
    undoItem->setEnabled(document()->isUndoAvailable());
    QAction* redoItem = menu->addAction(QStringLiteral("&Redo"), this, &QTextEdit::redo);
    redoItem->setEnabled(document()->isRedoAvailable());
    menu->addSeparator();
    for (const auto& a : m_editActions)
        if (a)
            menu->addAction(a);
    return menu;
}

void RichTextEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton)
        return; // no paste of the selection buffer around the Paste rules
    QTextEdit::mousePressEvent(event);
}

void RichTextEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton)
        return;
    QTextEdit::mouseReleaseEvent(event);
}

void RichTextEdit::insertPictures(const QList<Picture>& pictures) {
    if (pictures.isEmpty())
        return;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    for (const Picture& p : pictures)
        insertPicture(c, p);
    c.endEditBlock();
    setTextCursor(c);
}

bool RichTextEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasImage() || source->hasUrls() || TextControl::canInsertFromMimeData(source);
}

void RichTextEdit::insertFromMimeData(const QMimeData* source) {
    QStringList unreadable;
    const QList<Picture> pictures = [&] {
        const BusyCursor busy(source->hasImage() || source->hasUrls(), window());
        return picturesIn(*source, &unreadable);
    }();
    if (!unreadable.isEmpty()) {
        tellUnreadablePictures(unreadable);
        return;
    }
    if (!pictures.isEmpty())
        insertPictures(pictures);
    else
        TextControl::insertFromMimeData(source);
}

QMimeData* RichTextEdit::createMimeDataFromSelection() const {
    auto* mime = new QMimeData;
    mime->setText(SelText());
    return mime;
}

} // namespace kt::ui
