#include "ui/wrap_guard.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <utility>

namespace kt::ui {

namespace {

bool breaksLine(QChar c) {
    switch (c.unicode()) {
    case 0x00A0: // no-break spaces
    case 0x2007:
    case 0x202F:
    case 0xFEFF:
        return false;
    case 0x00AD: // soft hyphen
    case 0x200B: // zero-width space
        return true;
    default:
        return c.isSpace();
    }
}

} // namespace

bool hasLongUnbrokenRun(QStringView text, qsizetype limit) {
    qsizetype run = 0;
    for (const QChar c : text) {
        run = breaksLine(c) ? 0 : run + 1;
        if (run > limit)
            return true;
    }
    return false;
}

WrapGuard::WrapGuard(QObject* edit, std::function<void(QTextOption::WrapMode)> setMode,
                     QTextDocument* document)
    : QObject(edit), m_setMode(std::move(setMode)) {
    watch(document);
}

WrapGuard::WrapGuard(QTextEdit* edit)
    : WrapGuard(
          edit, [edit](QTextOption::WrapMode m) { edit->setWordWrapMode(m); }, edit->document()) {}

WrapGuard::WrapGuard(QPlainTextEdit* edit)
    : WrapGuard(
          edit, [edit](QTextOption::WrapMode m) { edit->setWordWrapMode(m); }, edit->document()) {}

void WrapGuard::watch(QTextDocument* document) {
    if (m_document == document)
        return;
    disconnect(m_connection);
    m_document = document;
    m_connection =
        connect(document, &QTextDocument::contentsChange, this, &WrapGuard::onContentsChange);
}

void WrapGuard::aboutToInsert(QStringView text) {
    if (!m_anywhere && hasLongUnbrokenRun(text))
        setAnywhere(true);
}

void WrapGuard::onContentsChange(int position, int, int added) {
    if (m_anywhere || m_replacing || !m_document)
        return;
    // Stretches elsewhere were short before this change; a long one now runs through it.
    const int last = m_document->characterCount() - 1;
    const int from = std::clamp<int>(position - static_cast<int>(kLongestWord) - 1, 0, last);
    const int to = std::clamp<int>(position + added + static_cast<int>(kLongestWord) + 1, 0, last);
    QTextCursor around(m_document);
    around.setPosition(from);
    around.setPosition(to, QTextCursor::KeepAnchor);
    if (hasLongUnbrokenRun(around.selectedText()))
        setAnywhere(true);
}

void WrapGuard::setAnywhere(bool anywhere) {
    if (anywhere == m_anywhere)
        return;
    m_anywhere = anywhere;
    m_setMode(anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

} // namespace kt::ui
