// The English glosses of the library's warnings.
#include "WarningGlosses.h"

#include <algorithm>
#include <cstring>

#include "sim/text/CodePage.h"

namespace standin {

namespace {

struct Gloss {
    const char* japanese;   // UTF-8, as the library's texts read once converted
    const char* english;
};

// A longer phrase comes before any phrase it contains, since the first
// entry that matches at a place wins.
constexpr Gloss kGlosses[] = {
    {u8"サンプリング開始に失敗しました", "sampling could not be started"},
    {u8"サンプリング状態の取得を失敗しました", "the sampling status could not be read"},
    {u8"サンプリングデータ取得を失敗しました", "the samples could not be read"},
    {u8"サンプリングレートが不正です", "the sampling interval is not one the board offers"},
    {u8"サンプリングモードを設定できませんでした", "the sampling mode could not be set"},
    {u8"サンプリングエラー", "sampling error"},
    {u8"バッファサイズのインデックスが不正です", "the buffer size setting is not valid"},
    {u8"バッファを確保できませんでした", "no memory for the sample buffer"},
    {u8"バッファオーバーフロー", "buffer overflow: samples were lost, they came faster than they were read"},
    {u8"バッファオーバーラン", "buffer overrun: samples were lost"},
    {u8"入力レンジの設定が壊れています", "the input range setting is damaged"},
    {u8"0～5V で変換します", "converting with 0..5 V"},
    {u8"出力レンジの設定", "the output range setting cannot be used"},
    {u8"0～5V で出力します", "putting out 0..5 V"},
    {u8"出力バッファ確保を失敗しました", "no memory for the output buffer"},
    {u8"データ出力に失敗しました", "writing to the board failed"},
    {u8"使えるデバイスがありません", "no board is available"},
    {u8"は使えません\nチャンネル数は 1～8 です", "that channel count cannot be sampled: the board has 1 to 8 channels"},
    {u8"チャンネルのバッファは確保できません", "block size x channels is more than one buffer holds"},
    {u8"のボードは同じ種類の別のモジュールが測定に使っています",
     "another module of the same kind measures on that board"},
    {u8"このモジュールは測定しません", "this module does not measure"},
    {u8"測定するモジュールが多すぎます", "too many modules measure"},
    {u8"設定するモジュールがホストの選んでいるモジュールと違います",
     "the module to set up is not the host's current module"},
    {u8"設定を開きません", "the settings are not opened"},
    {u8"にデバイスが存在しませんでした", "no board answers at that number"},
    {u8"エラーコード", "error code"},
    {u8"ソケット番号", "board number"},
    {u8"エラー", "error"},
};

}  // namespace

std::string EnglishGloss(const std::string& utf8)
{
    std::string english;
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t matched = 0;
        for (const Gloss& gloss : kGlosses) {
            const std::size_t length = std::strlen(gloss.japanese);
            if (utf8.compare(at, length, gloss.japanese) == 0) {
                english += (english.empty() ? "" : "; ") + std::string(gloss.english);
                matched = length;
                break;
            }
        }
        at += matched == 0 ? 1 : matched;
    }
    return english;
}

std::string WarningLine(const std::string& cp932Caption, const std::string& cp932Text)
{
    const std::string caption = Cp932ToUtf8(cp932Caption);
    std::string text = Cp932ToUtf8(cp932Text);
    std::replace(text.begin(), text.end(), '\n', '/');
    const std::string english = EnglishGloss(caption + "\n" + text);
    return "[" + caption + "] " + text + (english.empty() ? "" : "  (" + english + ")");
}

}  // namespace standin
