#include "engine/PhotoFailure.h"

const wchar_t* FailureText(PhotoFailure failure) {
  switch (failure) {
    case PhotoFailure::None: return L"変換しました";
    case PhotoFailure::Unreadable: return L"読み込めない写真";
    case PhotoFailure::TooLarge: return L"大きすぎる写真";
    case PhotoFailure::WriteFailed: return L"出力先に書き込めない";
    case PhotoFailure::SameAsSource: return L"元の写真と同じ名前";
    case PhotoFailure::Cancelled: return L"中止しました";
    case PhotoFailure::AlreadyDone: return L"変換済み";
    case PhotoFailure::OverSizeLimit: return L"指定のファイルサイズ以下にできない写真";
    case PhotoFailure::NoRecycleBin: return L"ごみ箱が使えないため置き換えませんでした";
  }
  return L"";
}
