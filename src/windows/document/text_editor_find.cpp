// Find and Find Next of the text editor window: a case-insensitive scan of the whole plain
// text, forwards only, with no wrap-around.
#include "windows/document/text_editor_window.h"

#include "ui/dialogs.h"
#include "ui/rich_text_edit.h"

namespace kt::document {

using namespace kt::ui;

void TextEditorWindow::Find() {
    // A cancel is not told apart from an empty entry.
    m_searchText = Dialogs::current()
                       .input({QStringLiteral("Find what?"), QStringLiteral("Find"), QString()})
                       .value_or(QString());
    selectMatch(0, QStringLiteral("The search string was not found."), QStringLiteral("Find"));
}

void TextEditorWindow::FindNext() {
    // One character after the start of the current selection: the occurrence found last is
    // skipped, one overlapping it further on is found.
    selectMatch(m_txtEdit->SelStart() + 1, QStringLiteral("The search has been completed."),
                QStringLiteral("Find Next"));
}

void TextEditorWindow::selectMatch(qsizetype from, const QString& notFoundText,
                                   const QString& notFoundTitle) {
    const QString needle = m_searchText.value_or(QString());
    const qsizetype at = m_search.find(m_txtEdit->Text(), m_txtEdit->revision(), needle, from);
    if (at < 0) {
        messageBox(notFoundText, notFoundTitle, MsgIcon::Information, MsgButton::Ok, MsgButton::Ok);
        return;
    }
    m_txtEdit->select(at, needle.size());
}

} // namespace kt::document
