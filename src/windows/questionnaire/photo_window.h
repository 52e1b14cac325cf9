#pragma once

#include "core/photo_store.h"
#include "ui/program_window.h"

#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace kt {
struct ProgramState;
}

namespace kt::questionnaire {

// frmPhotos: the photos of the question an answer page handed over (ProgramState's
// photoQuestion), each as a thumbnail beside its caption, in the order the story shows them.
// Every change is kept in the store at once, as the photos are added, removed, moved or
// captioned; Return goes back to the page.
class PhotoWindow : public ui::ProgramWindow {
    Q_OBJECT
public:
    explicit PhotoWindow(ProgramState& state);

    // Shows the handed-over question's photos, the first one's caption focused.
    void activated() override;

    void AddPhotos();
    // Asks, then removes the current photo.
    void RemovePhoto();
    void MoveUp();
    void MoveDown();
    void Return();

    // The photo whose caption has (or last had) the focus; -1 with none.
    int currentPhoto() const { return m_current; }

protected:
    bool closeRequested() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QFrame* frame;
        QLabel* thumbnail;
        QLineEdit* caption;
    };

    std::vector<Photo>* photos();
    // The rows again from the store, the focus on photo `focus` (or on Add with none).
    void rebuild(int focus);
    void setCurrent(int index);
    void move(int by);

    ProgramState& m_state;
    const CatalogEntry* m_entry = nullptr;
    QLabel* m_question;
    QScrollArea* m_list;
    QWidget* m_rows;
    QLabel* m_empty;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_return;
    std::vector<Row> m_rowWidgets;
    int m_current = -1;
};

} // namespace kt::questionnaire
