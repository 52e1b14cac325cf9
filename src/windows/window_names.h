#pragma once

#include <QLatin1String>

// The names of the windows that exist once: the window manager creates and shows a window by its
// name, and this is the one place each name is written. The section screens and the answer pages
// take theirs from their own design tables (sectionScreenName, answerPageName).
namespace kt::windows {

inline constexpr QLatin1String kSplash("frmSplash");
inline constexpr QLatin1String kMainMenu("frmMain");
inline constexpr QLatin1String kInstructions("frmInstruc");
inline constexpr QLatin1String kAbout("frmInfo");
inline constexpr QLatin1String kDistribution("frmDistribution");
inline constexpr QLatin1String kWarranty("frmWarranty");
inline constexpr QLatin1String kShareware("frmShare");
inline constexpr QLatin1String kVersionHistory("frmVersionHx");
inline constexpr QLatin1String kCredits("frmCredits2");
inline constexpr QLatin1String kSaveNote("frmNote");
inline constexpr QLatin1String kTextEditor("frmTxtEditor");
inline constexpr QLatin1String kPhotos("frmPhotos");
// Asked modally through the dialog seam, not shown by the window manager.
inline constexpr QLatin1String kBook("frmBook");

} // namespace kt::windows
