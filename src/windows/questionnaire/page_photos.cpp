#include "windows/questionnaire/page_photos.h"

#include "windows/window_names.h"

#include "core/program_state.h"
#include "ui/program_window.h"
#include "ui/window_manager.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

namespace kt::questionnaire {

using namespace kt::windows;

namespace {

QString countText(std::size_t n) {
    return n == 1 ? QStringLiteral("1 photo") : QStringLiteral("%1 photos").arg(n);
}

} // namespace

PagePhotos::PagePhotos(ui::ProgramWindow& page, ProgramState& state,
                       std::vector<Question> questions)
    : QObject(&page), m_page(page), m_state(state), m_questions(std::move(questions)) {
    m_button =
        addButton(&page, QStringLiteral("cmdPhotos"), QStringLiteral("&Photos..."), 0, 0, 0, 0);
    m_button->setFont(look::arial(10, true));
    m_button->setAccessibleName(QStringLiteral("Photos"));
    m_button->setAccessibleDescription(
        QStringLiteral("Adds photos to the question whose answer box you were in, or changes "
                       "them: they are shown after the answer in your story."));
    connect(m_button, &QPushButton::clicked, this, [this] { open(); });

    for (const Question& q : m_questions) {
        q.box->installEventFilter(this);
        // A child of the page, so that over an upper label it can stand on the group box's
        // edge, as a caption would.
        auto* count = new QLabel(&page);
        count->setObjectName(QStringLiteral("lblPhotos") + q.box->objectName().mid(3));
        count->setTextFormat(Qt::PlainText);
        count->setFont(look::arial(8, true));
        QPalette pal = count->palette();
        pal.setColor(QPalette::WindowText, look::navy());
        count->setPalette(pal);
        count->setAutoFillBackground(true);
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        count->hide();
        m_counts.push_back(count);
    }
    if (!m_questions.empty())
        m_boxDescription = m_questions.front().box->accessibleDescription();
}

void PagePhotos::placeCounts() {
    for (std::size_t i = 0; i < m_questions.size(); ++i) {
        QLabel* count = m_counts[i];
        const QLabel* label = m_questions[i].label;
        const QRect at(label->mapTo(&m_page, QPoint(0, 0)), label->size());
        count->adjustSize();
        const int h = count->fontMetrics().height();
        // Right-aligned over the label's end, its foot on the label's top: in the room between a
        // question and the one above it, or on the group box's edge.
        count->setGeometry(at.right() + 1 - count->width(), at.top() - h, count->width(), h);
        count->raise();
    }
}

void PagePhotos::refresh() {
    for (std::size_t i = 0; i < m_questions.size(); ++i) {
        const std::size_t n = std::as_const(m_state.photos).of(*m_questions[i].entry).size();
        m_counts[i]->setVisible(n > 0);
        m_counts[i]->setText(n > 0 ? countText(n) : QString());
        m_questions[i].box->setAccessibleDescription(
            n > 0 ? m_boxDescription + QStringLiteral("  This question has ") + countText(n) +
                        QLatin1Char('.')
                  : m_boxDescription);
    }
    placeCounts();
}

bool PagePhotos::takeReturn() {
    return std::exchange(m_returning, false);
}

bool PagePhotos::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        for (std::size_t i = 0; i < m_questions.size(); ++i)
            if (m_questions[i].box == watched)
                m_current = i;
    return QObject::eventFilter(watched, event);
}

void PagePhotos::open() {
    m_state.photoQuestion = m_questions[m_current].entry->key;
    m_returning = true;
    ui::WindowManager::instance().show(windows::kPhotos);
    m_page.hide();
}

} // namespace kt::questionnaire
