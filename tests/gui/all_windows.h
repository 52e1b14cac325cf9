#pragma once

// Every window of the program by name, for checks that must hold on all of them.
#include "core/question_catalog.h"
#include "ui/qs.h"
#include "windows/questionnaire/answer_page.h"
#include "windows/questionnaire/section_screen.h"

#include <QStringList>

namespace kt::test {

inline QStringList allWindowNames() {
    QStringList names;
    for (const char* n : {"frmSplash", "frmMain", "frmInstruc", "frmInfo", "frmDistribution",
                          "frmWarranty", "frmShare", "frmVersionHx", "frmCredits2", "frmNote"})
        names << QString::fromLatin1(n);
    for (const questionnaire::SectionScreenDesign& s : questionnaire::sectionScreenDesigns()) {
        names << ui::qs(QuestionCatalog::instance().section(s.section).screen);
    }
    for (const questionnaire::AnswerPageDesign& p : questionnaire::answerPageDesigns())
        names << QString::fromUtf8(p.name);
    return names;
}

} // namespace kt::test
