#pragma once

#include "ui/program_window.h"

#include <QHash>
#include <QString>

#include <span>

class QLabel;
class QPushButton;

namespace kt::app {

// The information windows that share one design: fixed texts in labels and one button that
// closes the window. Each is described by one row of a table.
struct InfoLabel {
    enum class Look {
        Text,    // bold Arial 9.75 pt, navy, wrapped
        Contact, // bold Arial 9.75 pt, dark red, centred, wrapped
        Small,   // the dialog font, navy, wrapped
        Heading, // bold Arial 9.75 pt, navy, sized to its text, on the window-frame colour
    };
    enum class Fill { AtCreation, EachActivation };

    const char* name;
    int x, y, w, h; // twips
    QString (*text)();
    Look look;
    Fill fill;
};

struct InfoWindowDesign {
    // Which system colour stands behind the texts.
    enum class Ground { Window, WindowFrame, Menu };
    enum class CloseButton { MainMenuBack, HideOnly };
    enum class TitleBarClose { ConfirmExit, Destroy };

    QLatin1String name;
    const char* caption;
    int clientWidth, clientHeight; // twips
    Ground ground;
    std::span<const InfoLabel> labels;
    const char* closeName;
    const char* closeCaption;
    const char* closeToolTip;
    int closeX, closeY, closeW, closeH; // twips
    CloseButton closeButton;
    TitleBarClose titleBarClose;
};

// The row for frmInstruc, frmInfo, frmDistribution, frmWarranty, frmShare or frmVersionHx.
const InfoWindowDesign& infoWindowDesign(QLatin1String name);

class InfoWindow : public ui::ProgramWindow {
    Q_OBJECT
public:
    explicit InfoWindow(const InfoWindowDesign& design);

    void activated() override;
    void applyGround() override;

protected:
    bool closeRequested() override;
    // The close button's action.
    virtual void closeClicked();
    QLabel* label(const char* name) const { return m_labels.value(QString::fromLatin1(name)); }
    const InfoWindowDesign& design() const { return m_design; }

private:
    void fill(InfoLabel::Fill when);

    const InfoWindowDesign& m_design;
    QHash<QString, QLabel*> m_labels;
};

// frmInfo: the table's labels, the information symbol that opens the credits and the
// "Version History" label that opens the version window over this one.
class AboutWindow : public InfoWindow {
    Q_OBJECT
public:
    AboutWindow();

protected:
    void closeClicked() override;
};

} // namespace kt::app
