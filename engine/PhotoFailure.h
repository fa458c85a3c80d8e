#pragma once
// Why a photo was not written, as the results and the log name it.

enum class PhotoFailure {
  None,          // written
  Unreadable,    // the file is no picture, is damaged or cut short
  TooLarge,      // more pixels than the program will decode (a decompression bomb)
  WriteFailed,   // the output folder or file could not be written
  SameAsSource,  // the output path names a photo of the batch
  Cancelled,     // the batch was stopped before this photo started
  AlreadyDone,   // skipped: its output exists and is at least as new as the photo
  OverSizeLimit, // no picture of it, even made small, fits under the strict file-size limit
  NoRecycleBin,  // to be replaced, but its drive has no Recycle Bin: left as it was
};

// The reason in the user's words: "読み込めない写真", "大きすぎる写真", ...
const wchar_t* FailureText(PhotoFailure failure);
