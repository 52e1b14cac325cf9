#pragma once

#include <QString>

// The fixed texts of the information windows. Line breaks are CR LF, as everywhere in the
// program's texts; the windows turn them into the toolkit's own breaks when they show them.
namespace kt::app::texts {

// frmInstruc
QString instructionsParagraph1();
QString instructionsParagraph2();
QString instructionsParagraph3();

// frmInfo
QString aboutShareware();
// Six lines: author, maker, street, city/state/postal code, e-mail, web; no break after the last.
QString contactBlock();

// frmDistribution: four paragraphs, the last sentence continued by the contact line.
QString distribution();
QString distributionContact();

// frmWarranty: one text over three labels, each continuing the previous one mid-sentence.
QString warranty1();
QString warranty2();
QString warranty3();

// frmShare: two paragraphs, the last sentence completed by the second label.
QString shareware1();
QString shareware2();

// frmVersionHx: one line per entry, each ended by a line break.
QString versionHistory();
QString versionHistoryCaption();

// frmCredits2
QString dedication();

// The author's and maker's details, shared by the texts above.
QString authorName();
QString makerName();
QString authorEmail();
QString makerWeb();

} // namespace kt::app::texts
