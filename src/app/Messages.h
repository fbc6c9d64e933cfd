// The texts and styles of the program's message boxes. Every box carries kAppTitle.
#pragma once

namespace tapivex {

inline constexpr wchar_t kAppTitle[] = L"タピベックス";

// Message box styles.
inline constexpr unsigned kWarning = 48;     // exclamation icon, OK
inline constexpr unsigned kNotice = 64;      // information icon, OK
inline constexpr unsigned kQuestion = 68;    // information icon, Yes and No
inline constexpr int kAnswerYes = 6;

inline constexpr wchar_t kMsgAlreadyRunning[] = L"すでに起動しています";
inline constexpr wchar_t kMsgStartupFailure[] = L"Tapivex.INIが存在しないか、書式エラーで起動できません。";
inline constexpr wchar_t kMsgNothingToShow[] = L"壁紙の指定がありません";
inline constexpr wchar_t kMsgIntervalNotNumeric[] = L"書式にエラーがあります。1行目の時間は数字で書いてください。";
inline constexpr wchar_t kMsgStyleNotNumeric[] = L"書式にエラーがあります。1行目の壁紙表示サイズは数字で書いてください。";

}  // namespace tapivex

namespace tapivex {

// The settings dialog.
inline constexpr wchar_t kMsgIntervalNotInteger[] = L"時間は整数を入れてください。";
inline constexpr wchar_t kMsgPathMissing[] = L"指定したパスが存在しません。";
inline constexpr wchar_t kMsgApplyFailed[] = L"設定時にエラーが発生しました。";
inline constexpr wchar_t kMsgReloading[] =
    L"変換ファイルの保存先が変更されたため、設定を再読込みします。\r\n（変更した時間などは、元に戻ります。）";

}  // namespace tapivex
