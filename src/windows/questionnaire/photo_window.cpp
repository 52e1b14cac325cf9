#include "windows/questionnaire/photo_window.h"

#include "windows/window_names.h"

#include "core/program_state.h"
#include "ui/dialogs.h"
#include "ui/picture.h"
#include "ui/qs.h"
#include "ui/twips.h"
#include "windows/common/confirm_exit.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"
#include "windows/questionnaire/answer_page.h"

#include <QBuffer>
#include <QEvent>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace kt::questionnaire {

using namespace kt::ui;
using namespace kt::windows;

namespace {

// Layout in logical pixels.
constexpr int kClientWidth = 760;
constexpr int kClientHeight = 560;
constexpr int kMargin = 14;
constexpr int kListTop = 66;
constexpr int kListWidth = 604;
constexpr int kListHeight = 430;
constexpr int kButtonX = kMargin + kListWidth + kMargin;
constexpr int kButtonWidth = kClientWidth - kButtonX - kMargin;
constexpr int kButtonHeight = 34;
constexpr int kButtonStep = 44;
constexpr QSize kThumbnail(128, 96);
constexpr int kRowHeight = 112;

int tw(int pixels) {
    return pixels * kTwipsPerPixel;
}

QPixmap thumbnailOf(const Photo& photo, qreal dpr) {
    QByteArray bytes =
        QByteArray::fromRawData(photo.bytes.data(), static_cast<qsizetype>(photo.bytes.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QSize device = (QSizeF(kThumbnail) * dpr).toSize();
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(device, Qt::KeepAspectRatio));
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

QString photoName(int index) {
    return QStringLiteral("Photo %1").arg(index + 1);
}

} // namespace

PhotoWindow::PhotoWindow(ProgramState& state)
    : ProgramWindow(windows::kPhotos, QStringLiteral("Kithtale - Photos")), m_state(state) {
    setFixedClientSizeTwips(tw(kClientWidth), tw(kClientHeight));

    m_question = addLabel(this, QStringLiteral("lblQuestion"), QString(), tw(kMargin), tw(10),
                          tw(kClientWidth - 2 * kMargin), tw(50));

    m_list = new QScrollArea(this);
    m_list->setObjectName(QStringLiteral("lstPhotos"));
    m_list->setGeometry(kMargin, kListTop, kListWidth, kListHeight);
    m_list->setWidgetResizable(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_rows = new QWidget;
    m_rows->setObjectName(QStringLiteral("photoRows"));
    auto* rows = new QVBoxLayout(m_rows);
    rows->setContentsMargins(6, 6, 6, 6);
    rows->setSpacing(6);
    rows->addStretch();
    m_list->setWidget(m_rows);

    m_empty =
        new QLabel(QStringLiteral("No photos yet.\n\nPress Add Photos to choose pictures from your "
                                  "computer; you can choose several at once."),
                   m_rows);
    m_empty->setObjectName(QStringLiteral("lblNoPhotos"));
    applyLabelLook(*m_empty);
    m_empty->setWordWrap(true);
    rows->insertWidget(0, m_empty);

    const auto button = [this](const char* name, const char* caption, int y,
                               const char* description) {
        QPushButton* b = addButton(this, QString::fromLatin1(name), QString::fromLatin1(caption),
                                   tw(kButtonX), tw(y), tw(kButtonWidth), tw(kButtonHeight));
        b->setFont(look::arial(10, true));
        b->setAccessibleDescription(QString::fromLatin1(description));
        return b;
    };
    m_add = button("cmdAdd", "&Add Photos...", kListTop,
                   "Chooses pictures from your computer to add to this question.");
    m_remove = button("cmdRemove", "Re&move", kListTop + kButtonStep,
                      "Takes the chosen photo out of your story.");
    m_up = button("cmdUp", "Move &Up", kListTop + 2 * kButtonStep,
                  "Moves the chosen photo one place earlier in your story.");
    m_down = button("cmdDown", "Move &Down", kListTop + 3 * kButtonStep,
                    "Moves the chosen photo one place later in your story.");
    m_return = button("cmdReturn", "&Return", kListTop + kListHeight - kButtonHeight,
                      "Goes back to the answer page.");
    connect(m_add, &QPushButton::clicked, this, [this] { AddPhotos(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { RemovePhoto(); });
    connect(m_up, &QPushButton::clicked, this, [this] { MoveUp(); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveDown(); });
    connect(m_return, &QPushButton::clicked, this, [this] { Return(); });

    addLabel(this, QStringLiteral("lblKept"),
             QStringLiteral("Photos are kept with the answer as soon as you add them.  They are "
                            "saved to a file with your story, from the text editor."),
             tw(kMargin), tw(kListTop + kListHeight + 8), tw(kListWidth), tw(44));

    centreOnScreen();
}

std::vector<Photo>* PhotoWindow::photos() {
    return m_entry ? &m_state.photos.of(*m_entry) : nullptr;
}

void PhotoWindow::activated() {
    m_entry =
        m_state.photoQuestion ? QuestionCatalog::instance().find(*m_state.photoQuestion) : nullptr;
    m_question->setText(m_entry ? QStringLiteral("Photos for the question:  ") + qs(m_entry->text)
                                : QStringLiteral("No question was chosen."));
    m_add->setVisible(m_entry != nullptr);
    rebuild(0);
}

void PhotoWindow::rebuild(int focus) {
    // Out of the rows before they go.
    m_return->setFocus(Qt::OtherFocusReason);
    for (const Row& r : m_rowWidgets)
        delete r.frame;
    m_rowWidgets.clear();

    auto* layout = static_cast<QVBoxLayout*>(m_rows->layout());
    const std::vector<Photo> none;
    const std::vector<Photo>& list = m_entry ? std::as_const(m_state.photos).of(*m_entry) : none;
    const qreal dpr = devicePixelRatioF();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int index = static_cast<int>(i);
        auto* frame = new QFrame(m_rows);
        frame->setObjectName(QStringLiteral("photoRow%1").arg(index + 1));
        frame->setFixedHeight(kRowHeight);
        auto* thumbnail = new QLabel(frame);
        thumbnail->setObjectName(QStringLiteral("imgPhoto%1").arg(index + 1));
        thumbnail->setGeometry(QRect(QPoint(8, 8), kThumbnail));
        thumbnail->setAlignment(Qt::AlignCenter);
        thumbnail->setPixmap(thumbnailOf(list[i], dpr));
        thumbnail->installEventFilter(this);
        auto* name = new QLabel(photoName(index), frame);
        applyLabelLook(*name);
        name->setGeometry(150, 8, 400, 22);
        auto* caption = new QLineEdit(frame);
        caption->setObjectName(QStringLiteral("txtCaption%1").arg(index + 1));
        caption->setGeometry(150, 34, kListWidth - 150 - 40, 32);
        caption->setFont(look::arial(11, false));
        caption->setPlaceholderText(QStringLiteral("Caption (what the photo shows)"));
        caption->setText(QString::fromStdString(list[i].caption));
        caption->setAccessibleName(QStringLiteral("Caption of ") + photoName(index));
        caption->setAccessibleDescription(
            QStringLiteral("Printed under the photo in your story.  The arrow keys Up and Down "
                           "go to the photo before or after it."));
        caption->installEventFilter(this);
        connect(caption, &QLineEdit::textEdited, this, [this, index](const QString& text) {
            if (auto* p = photos(); p && index < static_cast<int>(p->size()))
                (*p)[static_cast<std::size_t>(index)].caption = text.toStdString();
        });
        layout->insertWidget(index, frame);
        m_rowWidgets.push_back({frame, thumbnail, caption});
    }
    m_empty->setVisible(list.empty());

    QList<QWidget*> chain;
    for (const Row& r : m_rowWidgets)
        chain << r.caption;
    chain << m_add << m_remove << m_up << m_down << m_return;
    setTabChain(chain);

    if (m_rowWidgets.empty()) {
        setCurrent(-1);
        (m_entry ? m_add : m_return)->setFocus(Qt::OtherFocusReason);
    } else {
        const int at = std::clamp(focus, 0, static_cast<int>(m_rowWidgets.size()) - 1);
        setCurrent(at);
        m_rowWidgets[static_cast<std::size_t>(at)].caption->setFocus(Qt::OtherFocusReason);
    }
}

void PhotoWindow::setCurrent(int index) {
    m_current = index;
    for (std::size_t i = 0; i < m_rowWidgets.size(); ++i) {
        // The chosen photo stands in a navy frame, the others in a grey one.
        const bool chosen = static_cast<int>(i) == index;
        m_rowWidgets[i].frame->setStyleSheet(
            QStringLiteral("QFrame#%1 { border: 2px solid %2; }")
                .arg(m_rowWidgets[i].frame->objectName(), chosen ? QStringLiteral("rgb(0, 0, 128)")
                                                                 : QStringLiteral("rgb(190, 190, "
                                                                                  "190)")));
    }
    // Shown only with photos to act on; a greyed button would not read well.
    for (QPushButton* b : {m_remove, m_up, m_down})
        b->setVisible(!m_rowWidgets.empty());
    if (index >= 0)
        m_list->ensureWidgetVisible(m_rowWidgets[static_cast<std::size_t>(index)].frame, 0, 0);
}

bool PhotoWindow::eventFilter(QObject* watched, QEvent* event) {
    for (std::size_t i = 0; i < m_rowWidgets.size(); ++i) {
        const Row& r = m_rowWidgets[i];
        const int index = static_cast<int>(i);
        if (watched == r.caption && event->type() == QEvent::FocusIn) {
            setCurrent(index);
        } else if (watched == r.caption && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const int to = key == Qt::Key_Up ? index - 1 : key == Qt::Key_Down ? index + 1 : -1;
            if (to >= 0 && to < static_cast<int>(m_rowWidgets.size())) {
                m_rowWidgets[static_cast<std::size_t>(to)].caption->setFocus(Qt::OtherFocusReason);
                return true;
            }
        } else if (watched == r.thumbnail && event->type() == QEvent::MouseButtonPress) {
            r.caption->setFocus(Qt::MouseFocusReason);
        }
    }
    return ProgramWindow::eventFilter(watched, event);
}

void PhotoWindow::AddPhotos() {
    std::vector<Photo>* list = photos();
    if (!list)
        return;
    const QList<Picture> pictures = choosePictures(this);
    if (pictures.isEmpty())
        return;
    const int first = static_cast<int>(list->size());
    for (const Picture& p : pictures)
        list->push_back({p.bytes.toStdString(), p.png ? PhotoFormat::Png : PhotoFormat::Jpeg, {}});
    rebuild(first);
}

void PhotoWindow::RemovePhoto() {
    std::vector<Photo>* list = photos();
    if (!list || m_current < 0 || m_current >= static_cast<int>(list->size()))
        return;
    const MsgButton answer = messageBox(
        QStringLiteral("Do you want to take %1 out of your story?  The picture on your computer "
                       "stays as it is.")
            .arg(photoName(m_current).toLower()),
        QStringLiteral("Kithtale"), MsgIcon::Question, MsgButton::Yes | MsgButton::No,
        MsgButton::No);
    if (answer != MsgButton::Yes)
        return;
    const int removed = m_current;
    list->erase(list->begin() + removed);
    rebuild(removed);
}

void PhotoWindow::move(int by) {
    std::vector<Photo>* list = photos();
    const int to = m_current + by;
    if (!list || m_current < 0 || to < 0 || to >= static_cast<int>(list->size()))
        return;
    std::swap((*list)[static_cast<std::size_t>(m_current)], (*list)[static_cast<std::size_t>(to)]);
    rebuild(to);
}

void PhotoWindow::MoveUp() {
    move(-1);
}

void PhotoWindow::MoveDown() {
    move(+1);
}

void PhotoWindow::Return() {
    showWindow(m_entry ? answerPageName(m_entry->section(), m_entry->page) : windows::kMainMenu);
    hide();
}

bool PhotoWindow::closeRequested() {
    return confirmExitAndEnd();
}

} // namespace kt::questionnaire
