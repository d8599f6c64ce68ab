// Texts the dialogs put in at run time, in both languages (UTF-8 source).
#pragma once

namespace dialogs {

struct Texts {
    const wchar_t *analogTab, *imageTab, *grayTab, *streamTab;
    const wchar_t *colors[6];   // one per colour mode; "%d" is the grey depth
    const wchar_t *clocks[3];   // "%d" is the high clock in MHz
    const wchar_t *subSamples[2];
    const wchar_t *custom;
};

inline const Texts &EnglishTexts() {
    static const Texts texts = {
        L"Analog Gain", L"Image Filter", L"Gray Filter", L"Stream Format",
        {L"Monochrome 8bit", L"Monochrome %dbit *", L"Color 24bit", L"Color 32bit", L"Color 48bit *",
         L"Color 64bit *"},
        {L"Nomal(24MHz)", L"Half(12MHz)", L"High(%dMHz)"},
        {L"1/1", L"1/2 Skip"},
        L"Custom",
    };
    return texts;
}

inline const Texts &JapaneseTexts() {
    static const Texts texts = {
        L"アナログゲイン", L"画像フィルタ", L"グレーフィルタ", L"ストリーム形式",
        {L"白黒 8bit", L"白黒 %dbit ※", L"カラー 24bit", L"カラー 32bit", L"カラー 48bit ※", L"カラー 64bit ※"},
        {L"標準(24MHz)", L"ハーフ(12MHz)", L"高速(%dMHz)"},
        {L"1/1", L"1/2 間引き"},
        L"カスタム",
    };
    return texts;
}

} // namespace dialogs
