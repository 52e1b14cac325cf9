#pragma once

// Helpers shared by the section-screen and answer-page tests.
#include "core/question_catalog.h"
#include "support/program_fixture.h"
#include "ui/qs.h"
#include "windows/questionnaire/answer_page.h"
#include "windows/questionnaire/section_screen.h"

#include <QApplication>
#include <QStringList>
#include <QTest>

namespace kt::test {

using ui::qs;

inline QString screenOf(SectionId id) {
    return questionnaire::sectionScreenName(id);
}

// Every answer page in catalog order, with its section.
struct PageRef {
    QString name;
    SectionId section;
};
inline std::vector<PageRef> allPages() {
    std::vector<PageRef> pages;
    for (const SectionInfo& s : QuestionCatalog::instance().sections())
        for (int p = 1; p <= QuestionCatalog::instance().pageCount(s.id); ++p)
            pages.push_back({questionnaire::answerPageName(s.id, p), s.id});
    return pages;
}

// The catalog entries a page holds, in ordinal order.
inline std::vector<const CatalogEntry*> entriesOn(const QString& page) {
    std::vector<const CatalogEntry*> out;
    for (const CatalogEntry& e : QuestionCatalog::instance().all())
        if (questionnaire::answerPageName(e.section(), e.page) == page)
            out.push_back(&e);
    return out;
}

class QuestionnaireFixture : public ProgramFixture {
protected:
    // From the main menu to a section screen, as the main menu does it.
    void openScreen(const QString& screen) {
        if (!window(QStringLiteral("frmMain")) || !isShown(QStringLiteral("frmMain")))
            enterMainMenu();
        program->windows().show(screen);
        window(QStringLiteral("frmMain"))->hide();
        settle();
    }
    // From the main menu through the section screen's first row of the page.
    void openPage(const QString& page) {
        const CatalogEntry* first = entriesOn(page).front();
        openScreen(screenOf(first->section()));
        click(screenOf(first->section()), QStringLiteral("cmd") + qs(first->screenStem));
    }
    questionnaire::AnswerPage* page(const QString& name) const {
        return qobject_cast<questionnaire::AnswerPage*>(window(name));
    }
    questionnaire::AnswerBox* box(const QString& pageName, std::string_view stem) const {
        return child<questionnaire::AnswerBox>(pageName, QStringLiteral("txt") + qs(stem));
    }
    // Types as the user does, into the focused box.
    static void type(QWidget* w, const QString& text) {
        QTest::keyClicks(w, text);
        settle();
    }
    // Leaves the active window for a moment and comes back, so it becomes active again.
    void reactivate(const QString& name) {
        auto& wm = program->windows();
        if (!wm.isRegistered(QStringLiteral("frmElsewhere")))
            wm.registerWindow(QStringLiteral("frmElsewhere"), [] {
                return new ui::ProgramWindow(QStringLiteral("frmElsewhere"),
                                             QStringLiteral("Kithtale"));
            });
        wm.show(QStringLiteral("frmElsewhere"));
        window(name)->hide();
        settle();
        wm.show(name);
        window(QStringLiteral("frmElsewhere"))->hide();
        settle();
    }
    // The widgets Tab visits from `from`, `count` of them.
    static QStringList tabWalk(QWidget* from, int count) {
        QStringList walked;
        QWidget* w = from;
        for (int i = 0; i < count; ++i) {
            walked << w->objectName();
            do
                w = w->nextInFocusChain();
            while (!(w->isVisibleTo(w->window()) && w->isEnabled() &&
                     (w->focusPolicy() & Qt::TabFocus)));
        }
        return walked;
    }
};

} // namespace kt::test
