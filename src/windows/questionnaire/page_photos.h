#pragma once

#include "core/question_catalog.h"

#include <QObject>
#include <QRect>

#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kt {
struct ProgramState;
}
namespace kt::ui {
class ProgramWindow;
}

namespace kt::questionnaire {

// The photos of an answer page: the Photos button, which opens the photo window for the
// question whose box last had the focus, and by each question that has photos a small count
// just above the right end of its label.
class PagePhotos final : public QObject {
    Q_OBJECT
public:
    struct Question {
        const CatalogEntry* entry;
        QLabel* label;
        QPlainTextEdit* box;
    };
    PagePhotos(ui::ProgramWindow& page, ProgramState& state, std::vector<Question> questions);

    QPushButton* button() const { return m_button; }
    // Places the counts over the labels as they are laid out.
    void placeCounts();
    // Shows each question's count from the store.
    void refresh();
    // True at the activation that comes back from the photo window, and only then: the page is
    // shown again as it was left, with what was typed and not yet saved.
    bool takeReturn();
    // The box of the question the button acts on.
    QPlainTextEdit* currentBox() const { return m_questions[m_current].box; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open();

    ui::ProgramWindow& m_page;
    ProgramState& m_state;
    std::vector<Question> m_questions;
    std::vector<QLabel*> m_counts; // one per question
    QString m_boxDescription;
    QPushButton* m_button;
    std::size_t m_current = 0;
    bool m_returning = false;
};

} // namespace kt::questionnaire
