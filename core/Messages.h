#pragma once

#include <string>
#include <string_view>

// The texts the show raises, as code page 932 bytes. Each ends in a
// double-byte character, so the error box appends a ".".
namespace messages {

// "ファイル %s は開けません"
inline constexpr std::string_view kOpenErrorBefore = "\x83\x74\x83\x40\x83\x43\x83\x8b ";
inline constexpr std::string_view kOpenErrorAfter =
    " \x82\xcd\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1";
// "ストリームからの読み込みエラー"
inline constexpr std::string_view kReadError =
    "\x83\x58\x83\x67\x83\x8a\x81\x5b\x83\x80\x82\xa9\x82\xe7\x82\xcc\x93\xc7\x82\xdd\x8d\x9e"
    "\x82\xdd\x83\x47\x83\x89\x81\x5b";
// "ビットマップイメージが不正です"
inline constexpr std::string_view kInvalidBitmap =
    "\x83\x72\x83\x62\x83\x67\x83\x7d\x83\x62\x83\x76\x83\x43\x83\x81\x81\x5b\x83\x57\x82\xaa"
    "\x95\x73\x90\xb3\x82\xc5\x82\xb7";
// "スキャンライン のインデックスが範囲を越えました"
inline constexpr std::string_view kScanLineOutOfRange =
    "\x83\x58\x83\x4c\x83\x83\x83\x93\x83\x89\x83\x43\x83\x93 \x82\xcc\x83\x43\x83\x93\x83\x66"
    "\x83\x62\x83\x4e\x83\x58\x82\xaa\x94\xcd\x88\xcd\x82\xf0\x89\x7a\x82\xa6\x82\xdc\x82\xb5"
    "\x82\xbd";
// "タイマーを取得できません"
inline constexpr std::string_view kTimerRefused =
    "\x83\x5e\x83\x43\x83\x7d\x81\x5b\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1";
// "メモリが足りません": memory refused outside the loader, which has its own text.
inline constexpr std::string_view kOutOfMemory =
    "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

inline std::string OpenError(std::string_view stored_path) {
    std::string text(kOpenErrorBefore);
    text += stored_path;
    text += kOpenErrorAfter;
    return text;
}

}  // namespace messages
