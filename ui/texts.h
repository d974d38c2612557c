#pragma once

// Every text the program shows. The window texts exist in Japanese and
// English; the rest exist once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "drums/drum_inventory.h"

// The texts that follow the interface language, indexed by role; both tables
// have the same roles in the same order. Destination labels and percussion
// names exist once, in English (targetLabel, gmDrumName).
using UiTextTable = std::array<const wchar_t*, 35>;

enum UiTextIndex : int {
    kTextSplitInsertButton = 0,
    kTextSplitOverwriteButton = 1,
    kTextFormat1Button = 2,
    kTextOverwriteCheckBox = 3,
    kTextDropPrompt = 4,         // status line while no file is loaded
    kTextNoInputFile = 5,        // input-file label before any drop
    kTextEditHint = 6,           // status line while a file is loaded
    kTextLoadFailed = 7,         // status line after a failed load
    kTextInputFilePrefix = 8,    // the input-file label starts with this after every drop
    kTextInputFileFailed = 9,    // ... and ends with this after a failed one
    kTextSavedSplitInsert = 10,
    kTextSavedSplitOverwrite = 11,
    kTextSavedOverInput = 12,
    kTextSavedFormat1 = 13,
    kTextSaveFailed = 14,          // status line after a save that wrote nothing
    kTextNoDrumNotes = 15,         // status line while the loaded song has no drum note
    kTextMenuFewestClashes = 16,   // drum list menu: every note but those on BOTH where clashes are fewest
    kTextMenuBackToProposed = 17,  // drum list menu: every note back to its proposed destination
    kTextClashCount = 18,          // "{n} clashes": a row's clashing ticks, and each total
    kTextClashCountOne = 19,       // the same for exactly one
    kTextSideCopyLeft = 20,        // "{name}": the side copy that a save cut short left beside a song
    kTextAutoTarget = 21,          // the destination that routes each hit on its own, in the row and the menu
    kTextMenuEveryHitRouted = 22,  // drum list menu: every note on AUTO
    kTextMenuNearOff = 23,         // drum list menu: near clashes not counted
    kTextMenuNear64 = 24,          // ... counted within 1/64 of a quarter note
    kTextMenuNear32 = 25,          // ... within 1/32, the default
    kTextNearCount = 26,           // "{n} near": hits cut short by a different note just after them
    kTextClashesAt = 27,           // "{list}": where a row's first clashes are, "3:1, 3:3, 5:1"
    kTextBothCost = 28,            // "{k}", "{n}": what the notes on BOTH cost, after the totals
    kTextBestFound = 29,           // after the totals of a choice that is the best found, not proven best
    kTextSaveFailedInUse = 30,     // "Save failed." with its reason
    kTextSaveFailedReadOnly = 31,
    kTextSaveFailedDiskFull = 32,
    kTextSaveFailedFolder = 33,
    kTextBothCostOne = 34,         // "{n}": kTextBothCost for a single note on BOTH
};

extern const UiTextTable japaneseTexts;
extern const UiTextTable englishTexts;
extern const UiTextTable* activeTexts;  // chosen once, when the main window is created

// The table for a Windows language identifier: Japanese for primary language
// 0x11, whatever the sublanguage; English for everything else.
const UiTextTable* textsForLanguage(std::uint16_t languageId);

// Sets activeTexts from the user's interface language.
void selectUiLanguage();

const wchar_t* uiText(int index);

// The General MIDI percussion name of notes 35 to 81; "" for any other note.
const wchar_t* gmDrumName(std::int32_t note);

// "TR4", "TR5", "BOTH", "AUTO"; "" for any other value. The window shows AUTO
// in the interface language (destinationText).
const wchar_t* targetLabel(std::int32_t target);

// A drum list row's clashing ticks, "12 clashes"; "" for none, which the row does not show.
std::wstring clashCountText(std::size_t ticks);

// A drum list row's clashes with its near ones: "12 clashes, 40 near", "40 near"
// without exact ones; "" for none of either.
std::wstring rowClashText(std::size_t clashes, std::size_t nearHits);

// How the hits of a note on AUTO went: "TR4 812 / TR5 37".
std::wstring routedHitsText(std::size_t tr4, std::size_t tr5);

// The totals of both drum tracks: "TR4: 9 clashes, TR5: 4 clashes"; with near
// clashes, "TR4: 9 clashes, 30 near; TR5: 4 clashes, 0 near".
std::wstring clashTotalsText(std::size_t tr4, std::size_t tr5, std::size_t nearTr4 = 0, std::size_t nearTr5 = 0);

// What the notes on BOTH cost, after the totals: "6 notes on BOTH hold 173 of
// them", "1 note on BOTH holds 2 of them".
std::wstring bothCostText(std::size_t notes, std::size_t clashes);

// "Clashes at 3:1, 3:3, 5:1" from the positions as shown.
std::wstring clashesAtText(const std::wstring& positions);

// The status line while a song, or an output that a save would write over,
// has beside it the side copy `copyName` (song/file_path.h: leftSideCopy): where
// the song as it was before a save cut short is, and what to do with it.
std::wstring sideCopyLeftText(const std::wstring& copyName);

// The drum list's number cell: "%3d :", so 36 reads " 36 :".
std::wstring formatNoteNumber(std::int32_t note);

inline constexpr const wchar_t* kWindowClassName = L"DrumUI";
inline constexpr const wchar_t* kWindowTitle = L"Tessaline for Quarlbridge    ver.2026/8/3";
