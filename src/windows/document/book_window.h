#pragma once

#include "core/book.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kt {
struct ProgramState;
}

namespace kt::document {

// frmBook: what the book is called, whose it is, its dedication, its page size and whether it
// is in large print. Asked modally through the dialog seam; OK is the default button.
class BookWindow : public QDialog {
    Q_OBJECT
public:
    explicit BookWindow(const BookOptions& options, QWidget* parent = nullptr);

    BookOptions options() const;

    QLineEdit* txtTitle() const { return m_title; }
    QLineEdit* txtTeller() const { return m_teller; }
    QLineEdit* txtDedication() const { return m_dedication; }
    QComboBox* cboPageSize() const { return m_pageSize; }
    QCheckBox* chkLargePrint() const { return m_largePrint; }

private:
    QLineEdit* m_title;
    QLineEdit* m_teller;
    QLineEdit* m_dedication;
    QComboBox* m_pageSize;
    QCheckBox* m_largePrint;
};

// The options the next book of the story starts from: those kept with it, else the usual ones
// for the user's country.
BookOptions startingBookOptions(const ProgramState& state);

// File > Make a Book...: the book window, then the save dialog for the PDF, then the book
// written whole (a temporary file, put on the disk, renamed) with a progress window when it
// takes a while. A cancel anywhere changes nothing; a failure is told in one message. The
// options go with the story once the book is made.
void makeBook(ProgramState& state, const QString& storyFile, QWidget* window);

} // namespace kt::document
