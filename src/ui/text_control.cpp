#include "ui/text_control.h"

#include "rtf/document.h"

namespace kt::ui {

QString plainTextOfHtml(const QString& html) {
    return rtf::Document::plainTextOf(html);
}

} // namespace kt::ui
