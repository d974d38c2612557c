#include "cli/cli_texts.h"

#include <array>

#include "ui/texts.h"

namespace {

using CliTextTable = std::array<const char*, kCliTextCount>;

const CliTextTable kEnglish = {
    "Usage:\n"
    "  tessaline list FILE... [--json] [--where]\n"
    "  tessaline split-insert FILE...      write FILE_S.mid\n"
    "  tessaline split-overwrite FILE... [--in-place]\n"
    "                                      write FILE_OW.mid, or over FILE with --in-place\n"
    "  tessaline format1 FILE...           write FILE_F1.mid\n"
    "  tessaline suggest FILE...           destinations that leave the fewest clashes,\n"
    "                                      as options to paste into the other commands\n"
    "  tessaline --help | --version\n"
    "\n"
    "Each drum note (MIDI channel 10) goes to TR4, TR5 or BOTH: a note already in\n"
    "track 4 is proposed for TR4, one in track 5 for TR5, one in both for BOTH, any\n"
    "other for TR4. For list, split-insert and split-overwrite these options change\n"
    "the destination of the notes given; a note a file does not use is ignored:\n"
    "  --tr4 N[,N...]   --tr5 N[,N...]   --both N[,N...]   --per-hit N[,N...]\n"
    "A note on AUTO (--per-hit, or every note with --per-hit-all) has each of its\n"
    "hits sent to TR4 or TR5 on its own, where it clashes least around the others.\n"
    "\n"
    "Two drum notes that start on the same tick in TR4 (or in TR5) clash: the\n"
    "converter plays a track one note at a time and loses one of them. list shows\n"
    "each drum track's clashing ticks. With --auto (list, split-insert,\n"
    "split-overwrite) and in suggest, every note not given by the options above goes\n"
    "to TR4 or TR5 so that the fewest ticks clash; ties keep the proposal. The search\n"
    "has a fixed budget: where it runs out, suggest says that its choice is the best\n"
    "found rather than the fewest possible.\n"
    "Hits of different notes that start less than 1/32 of a quarter note apart in\n"
    "one drum track clash too: the first is cut short. They are counted as near;\n"
    "--near 1/16|1/64|0|Nticks sets the window. list --where shows each clash as\n"
    "bar:beat:tick.\n"
    "\n"
    "Tracks are counted from 1, a leading track without channel events not counted.\n"
    "Exit status: 0 every file done, 1 some file failed, 2 usage error.\n",
    "Try 'tessaline --help'.",
    "no command given",
    "unknown command {1}",
    "unknown option {1}",
    "{1}: not a comma-separated list of note numbers",
    "{1}: note {2} is outside 0 to 255",
    "{1} needs a list of note numbers",
    "note {1} is given twice, in {2}",
    "note {1} is given twice, in {2} and in {3}",
    "{1} does not apply to {2}",
    "{1} applies only to {2}",
    "{1}: no file given",
    "(no drum notes)",
    "{1}: {2} clashing ticks",
    ", at most {1} notes at once",
    "; {1} ticks with one note struck twice",
    "proposed:",
    "suggested:",
    "the proposed destinations are already best",
    "(the best found: the search ran out of its budget)",
    "Could not write",
    "Could not write (the file is in use by another program)",
    "Could not write (the file is read-only)",
    "Could not write (the disk is full)",
    "Could not write (the folder cannot be written)",
    "write error",
    "{1}: a save of this file was cut short; the file as it was before is kept in {2}.\n"
    "  If the file is damaged, rename the copy to the file's name; if not, delete the copy.",
    "{1}: the near window is 1/16, 1/32, 1/64, 0 (none) or a number of ticks such as 10ticks",
    ", {1} near",
    "(the routing of the hits on AUTO is the best found: its search left some out)",
    "clashes at (bar:beat:tick):",
    "near",
};

const CliTextTable kJapanese = {
    "使い方:\n"
    "  tessaline list FILE... [--json] [--where]\n"
    "  tessaline split-insert FILE...      FILE_S.mid に保存\n"
    "  tessaline split-overwrite FILE... [--in-place]\n"
    "                                      FILE_OW.mid に保存 (--in-place で FILE に上書き)\n"
    "  tessaline format1 FILE...           FILE_F1.mid に保存\n"
    "  tessaline suggest FILE...           重なりが最少になる分割先を、ほかのコマンドに\n"
    "                                      貼り付けられるオプションで表示\n"
    "  tessaline --help | --version\n"
    "\n"
    "ドラム (10ch) の音はノートごとに TR4、TR5、BOTH のどれかに分割されます。トラック 4\n"
    "にある音には TR4、トラック 5 にある音には TR5、両方にある音には BOTH、それ以外には\n"
    "TR4 が提案されます。list、split-insert、split-overwrite では、次のオプションで指定\n"
    "したノートの分割先を変更します (ファイルにないノートは無視します):\n"
    "  --tr4 N[,N...]   --tr5 N[,N...]   --both N[,N...]   --per-hit N[,N...]\n"
    "自動 (--per-hit、--per-hit-all ですべてのノート) の音は、打音ごとに、ほかの音との\n"
    "重なりが最少になる TR4 か TR5 に送られます。\n"
    "\n"
    "同じドラムトラック (TR4 または TR5) で同じティックに始まる 2 つの音は重なります。\n"
    "変換先は 1 トラックで 1 音ずつしか鳴らさないため、片方が消えます。list は各ドラム\n"
    "トラックの重なりを表示します。--auto (list、split-insert、split-overwrite) と\n"
    "suggest では、上のオプションで指定していないノートを、重なりが最少になるように TR4\n"
    "か TR5 に振り分けます。重なりが同じなら提案に近い方を選びます。探索には上限があり、\n"
    "上限に達したときは、最少と確かめられていない最良の案であることを suggest が示します。\n"
    "同じドラムトラックで 4 分音符の 1/32 未満の間隔で始まる違う音も、先の音が切られるため\n"
    "近接の重なりとして数えます。幅は --near 1/16|1/64|0|Nticks で変えられます。\n"
    "list --where は各重なりの位置を 小節:拍:ティック で表示します。\n"
    "\n"
    "トラックは 1 から数えます (先頭のチャンネルイベントのないトラックは数えません)。\n"
    "終了ステータス: 0 すべて完了、1 失敗したファイルあり、2 使い方の誤り。\n",
    "使い方は 'tessaline --help' で表示されます。",
    "コマンドがありません",
    "不明なコマンド {1}",
    "不明なオプション {1}",
    "{1}: ノート番号をコンマで区切った並びではありません",
    "{1}: ノート {2} は 0 から 255 の範囲外です",
    "{1} にはノート番号の並びが必要です",
    "ノート {1} が 2 回指定されています ({2})",
    "ノート {1} が 2 回指定されています ({2} と {3})",
    "{1} は {2} には使えません",
    "{1} は {2} でのみ使えます",
    "{1}: ファイルがありません",
    "(ドラムのノートなし)",
    "{1}: 重なり {2}",
    " (同時に最大 {1} 音)",
    "; 同じ音の二重打ち {1}",
    "提案:",
    "重なり最少:",
    "提案の分割先がすでに重なり最少です",
    "(探索の上限までに見つかった最良の案)",
    "保存失敗",
    "保存失敗 (ファイルが他のプログラムで使用中です)",
    "保存失敗 (ファイルが読み取り専用です)",
    "保存失敗 (ディスクに空きがありません)",
    "保存失敗 (フォルダに書き込めません)",
    "書き込みエラー",
    "{1}: このファイルの保存が途中で止まりました。保存前のファイルは {2} に残っています。\n"
    "  ファイルが壊れていればコピーの名前をファイルの名前に変えてください。壊れていなければコピーを削除してください。",
    "{1}: 近接の幅は 1/16、1/32、1/64、0 (なし) または 10ticks のようなティック数です",
    ", 近接 {1}",
    "(自動の打音の振り分けは探索範囲内の最良です)",
    "重なりの位置 (小節:拍:ティック):",
    "近接",
};

}  // namespace

std::string cliText(CliTextIndex index, std::initializer_list<std::string> values) {
    const CliTextTable& table = activeTexts == &japaneseTexts ? kJapanese : kEnglish;
    const std::string text = table[static_cast<std::size_t>(index)];
    // One pass, so that a value holding "{2}" (an argument as typed) stays as it is.
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t slot = i + 2 < text.size() && text[i] == '{' && text[i + 2] == '}' ? text[i + 1] - '1' : 9;
        if (slot < values.size()) {
            result += values.begin()[slot];
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}
