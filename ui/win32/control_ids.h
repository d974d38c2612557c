#pragma once

// Identifiers of the main window's controls, its timer and the drum list's
// context menu items.

inline constexpr int kDrumListId = 1001;
inline constexpr int kSplitInsertButtonId = 1002;
inline constexpr int kStatusLineId = 1003;
inline constexpr int kSplitOverwriteButtonId = 1004;
inline constexpr int kFormat1ButtonId = 1005;
inline constexpr int kOverwriteCheckBoxId = 1006;
inline constexpr int kInputFileLabelId = 1007;

// Puts the resting text back in the status line after a save's message or the clash totals.
inline constexpr int kStatusTimerId = 1;
inline constexpr unsigned kStatusTimerMilliseconds = 3000;

// Menu item identifiers are the destination plus one: 0 is "nothing chosen".
inline constexpr int kMenuTr4Id = 1;
inline constexpr int kMenuTr5Id = 2;
inline constexpr int kMenuBothId = 3;
// After a separator, the two that act on every row.
inline constexpr int kMenuFewestClashesId = 4;
inline constexpr int kMenuBackToProposedId = 5;
// Added later, numbered and placed after them: AUTO for the row, every hit
// routed for the whole list, and the near window's three choices. Each item's
// number is also its place in the menu, separators left out.
inline constexpr int kMenuAutoId = 6;
inline constexpr int kMenuEveryHitRoutedId = 7;
inline constexpr int kMenuNearOffId = 8;
inline constexpr int kMenuNear64Id = 9;
inline constexpr int kMenuNear32Id = 10;
