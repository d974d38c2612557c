#include "ui/texts.h"

#include <cwchar>

#include "ui/window_seam.h"

// The English texts are kept as users know them, oddities included: two blanks
// in the first, "Overwrit" in the second.
const UiTextTable englishTexts = {
    L"Split save. insert  between TR3/4",
    L"Split save. Overwrit TR4/5",
    L"Format1 Save",
    L"Overwrite Input File(Caution: Destructive)",
    L"Drag and drop MIDI file",
    L"Input File: [ None ]",
    L"Double-click or right-click to change split target.",
    L"Failed to load MIDI.",
    L"Input File: ",
    L"[ Load Failed ]",
    L"Saved: split insert (_S.mid)",
    L"Saved: split overwrite (_OW.mid)",
    L"Saved: Direct Overwrite to Input File",
    L"Saved: format1 only (_F1.mid)",
    L"Save failed.",
    L"No drum notes (channel 10) in this file.",
    L"Fewest clashes (all notes)",
    L"Back to proposed (all notes)",
    L"{n} clashes",
    L"{n} clash",
    L"A save was cut short: the song as it was is in {name}. Rename that back if need be, or delete it.",
    L"AUTO",
    L"Every hit routed (all notes)",
    L"Near clashes: off",
    L"Near clashes: 1/64",
    L"Near clashes: 1/32",
    L"{n} near",
    L"Clashes at {list}",
    L"{k} notes on BOTH hold {n} of them",
    L"best found",
    L"Save failed: the file is in use by another program.",
    L"Save failed: the file is read-only.",
    L"Save failed: the disk is full.",
    L"Save failed: the folder cannot be written.",
    L"1 note on BOTH holds {n} of them",
};

// ASCII punctuation throughout, but for the full-width colon (3), ampersand (4)
// and the ideographic full stops that end sentences (7, 15, 20).
const UiTextTable japaneseTexts = {
    L"分割保存 TR3/4の間に挿入",
    L"分割保存 TR4/5に上書き",
    L"Format1保存",
    L"入力ファイルに上書き (注\uFF1Aデータ破壊の可能性有)",
    L"ウィンドウにMIDIファイルをドラッグ\uFF06ドロップ",
    L"入力ファイル: [ なし ]",
    L"ダブルクリックまたは右クリックで分割先を変更",
    L"MIDIの読み込みに失敗しました\u3002",
    L"入力ファイル: ",
    L"[ 読み込み失敗 ]",
    L"保存完了: 分割挿入 (_S.mid)",
    L"保存完了: 分割上書き (_OW.mid)",
    L"保存完了: 入力ファイルに直接上書きしました",
    L"保存完了: format1変換のみ (_F1.mid)",
    L"保存失敗",
    L"このファイルにはドラム (10ch) のノートがありません\u3002",
    L"重なり最少 (全ノート)",
    L"提案どおりに戻す (全ノート)",
    L"重なり {n}",
    L"重なり {n}",
    L"保存が中断されました\u3002元のファイル {name} を戻すか削除してください",
    L"自動",
    L"全打音を自動で振り分け (全ノート)",
    L"近接の重なり: なし",
    L"近接の重なり: 1/64",
    L"近接の重なり: 1/32",
    L"近接 {n}",
    L"重なりの位置 {list}",
    L"うち{n}はBOTHの{k}ノートによる",
    L"探索範囲内の最良",
    L"保存失敗: ファイルが他のプログラムで使用中です",
    L"保存失敗: ファイルが読み取り専用です",
    L"保存失敗: ディスクに空きがありません",
    L"保存失敗: フォルダに書き込めません",
    L"うち{n}はBOTHの1ノートによる",
};

const UiTextTable* activeTexts = &englishTexts;

namespace {

constexpr const wchar_t* kGmDrumNames[47] = {
    L"Acoustic Bass Drum", L"Bass Drum 1",    L"Side Stick",     L"Acoustic Snare", L"Hand Clap",
    L"Electric Snare",     L"Low Floor Tom",  L"Closed Hi-Hat",  L"High Floor Tom", L"Pedal Hi-Hat",
    L"Low Tom",            L"Open Hi-Hat",    L"Low-Mid Tom",    L"Hi-Mid Tom",     L"Crash Cymbal 1",
    L"High Tom",           L"Ride Cymbal 1",  L"Chinese Cymbal", L"Ride Bell",      L"Tambourine",
    L"Splash Cymbal",      L"Cowbell",        L"Crash Cymbal 2", L"Vibraslap",      L"Ride Cymbal 2",
    L"Hi Bongo",           L"Low Bongo",      L"Mute Hi Conga",  L"Open Hi Conga",  L"Low Conga",
    L"High Timbale",       L"Low Timbale",    L"High Agogo",     L"Low Agogo",      L"Cabasa",
    L"Maracas",            L"Short Whistle",  L"Long Whistle",   L"Short Guiro",    L"Long Guiro",
    L"Claves",             L"Hi Wood Block",  L"Low Wood Block", L"Mute Cuica",     L"Open Cuica",
    L"Mute Triangle",      L"Open Triangle",
};

constexpr std::uint16_t kPrimaryLanguageJapanese = 0x11;

}  // namespace

const UiTextTable* textsForLanguage(std::uint16_t languageId) {
    return (languageId & 0x3FF) == kPrimaryLanguageJapanese ? &japaneseTexts : &englishTexts;
}

void selectUiLanguage() { activeTexts = textsForLanguage(userInterfaceLanguage()); }

const wchar_t* uiText(int index) { return (*activeTexts)[static_cast<std::size_t>(index)]; }

const wchar_t* gmDrumName(std::int32_t note) {
    const std::uint32_t index = static_cast<std::uint32_t>(note) - 35u;
    return index > 46 ? L"" : kGmDrumNames[index];
}

const wchar_t* targetLabel(std::int32_t target) {
    switch (target) {
        case TR4: return L"TR4";
        case TR5: return L"TR5";
        case BOTH: return L"BOTH";
        case AUTO: return L"AUTO";
        default: return L"";
    }
}

namespace {

std::wstring filledIn(int index, const wchar_t* slot, const std::wstring& value) {
    std::wstring text = uiText(index);
    const std::size_t at = text.find(slot);
    return text.replace(at, std::wcslen(slot), value);
}

std::wstring withCount(std::size_t ticks) {
    return filledIn(ticks == 1 ? kTextClashCountOne : kTextClashCount, L"{n}", std::to_wstring(ticks));
}

std::wstring nearCount(std::size_t hits) { return filledIn(kTextNearCount, L"{n}", std::to_wstring(hits)); }

}  // namespace

std::wstring clashCountText(std::size_t ticks) { return ticks == 0 ? L"" : withCount(ticks); }

std::wstring rowClashText(std::size_t clashes, std::size_t nearHits) {
    if (nearHits == 0) {
        return clashCountText(clashes);
    }
    return clashes == 0 ? nearCount(nearHits) : withCount(clashes) + L", " + nearCount(nearHits);
}

std::wstring routedHitsText(std::size_t tr4, std::size_t tr5) {
    return L"TR4 " + std::to_wstring(tr4) + L" / TR5 " + std::to_wstring(tr5);
}

// A total of zero is worth showing, unlike a row's.
std::wstring clashTotalsText(std::size_t tr4, std::size_t tr5, std::size_t nearTr4, std::size_t nearTr5) {
    if (nearTr4 == 0 && nearTr5 == 0) {
        return L"TR4: " + withCount(tr4) + L", TR5: " + withCount(tr5);
    }
    return L"TR4: " + withCount(tr4) + L", " + nearCount(nearTr4) + L"; TR5: " + withCount(tr5) + L", " +
           nearCount(nearTr5);
}

std::wstring bothCostText(std::size_t notes, std::size_t clashes) {
    if (notes == 1) {
        return filledIn(kTextBothCostOne, L"{n}", std::to_wstring(clashes));
    }
    std::wstring text = filledIn(kTextBothCost, L"{k}", std::to_wstring(notes));
    return text.replace(text.find(L"{n}"), 3, std::to_wstring(clashes));
}

std::wstring clashesAtText(const std::wstring& positions) { return filledIn(kTextClashesAt, L"{list}", positions); }

std::wstring sideCopyLeftText(const std::wstring& copyName) {
    std::wstring text = uiText(kTextSideCopyLeft);
    return text.replace(text.find(L"{name}"), 6, copyName);
}

std::wstring formatNoteNumber(std::int32_t note) {
    wchar_t buffer[24];
    std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%3d :", static_cast<int>(note));
    return buffer;
}
