#include <gtest/gtest.h>

#include <windows.h>

#include "engine/PhotoEncoderGdiplus.h"
#include "engine/PhotoResize.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

// What the conversion job does with one photo: prepare it and, if that gave a picture, write it.
void Convert(const std::wstring& source, const std::wstring& output, const SaveData_CL& settings) {
  PhotoItem item;
  item.path = source;
  GpBitmapPtr bitmap = PreparePhoto(item, settings);
  if (bitmap) SavePhoto(bitmap.get(), output, OutputFormat::Jpeg, settings);
}

size_t CutBeforeScan(const std::string& jpeg) {
  const size_t scan = jpeg.find("\xFF\xDA");
  return scan == std::string::npos ? jpeg.size() / 2 : scan;
}

// PNG whose header chunk no longer matches its checksum.
std::string CorruptPng(std::string png) {
  if (png.size() > 20) png[18] = static_cast<char>(png[18] ^ 0x5A);  // a byte of the IHDR width
  return png;
}

struct BadFile {
  const wchar_t* name;
  std::string bytes;
};

class BadPhotos : public testing::Test {
protected:
  void SetUp() override {
    settings.fitWidth = 320;
    settings.fitHeight = 240;
    GpBitmapPtr picture = MakeBitmap(256, 192, 0xFF4080C0);
    PaintRect(picture.get(), 10, 10, 100, 50, 0xFFFF8000);
    const std::string jpeg = JpegBytes(picture.get());
    ASSERT_TRUE(SaveAs(picture.get(), folder.File(L"good.png"), kTestFormatPng));
    const std::string png = ReadFileBytes(folder.File(L"good.png"));
    goodJpeg = folder.File(L"good.jpg");
    ASSERT_TRUE(WriteFileBytes(goodJpeg, jpeg));
    badFiles = {
        {L"empty.jpg", ""},
        {L"headers-only.jpg", jpeg.substr(0, CutBeforeScan(jpeg))},
        {L"text.png", "This is not a picture, only text in a file named .png\r\n"},
        {L"corrupt-chunk.png", CorruptPng(png)},
    };
    for (const BadFile& bad : badFiles) ASSERT_TRUE(WriteFileBytes(folder.File(bad.name), bad.bytes));
    halfJpeg = folder.File(L"half.jpg");
    ASSERT_TRUE(WriteFileBytes(halfJpeg, jpeg.substr(0, jpeg.size() / 2)));
  }

  std::wstring Output(const BadFile& bad) const { return folder.File(std::wstring(L"out-") + bad.name + L".jpg"); }

  TempFolder folder;
  SaveData_CL settings;
  std::vector<BadFile> badFiles;
  std::wstring goodJpeg;
  std::wstring halfJpeg;
};

// Handles open in this process, found by asking each possible handle value about itself
// (the platform's own handle count is not available everywhere).
int OpenHandles() {
  int count = 0;
  for (uintptr_t value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Committed private memory of this process, summed over its address space.
uint64_t CommittedPrivateBytes() {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION info{};
  for (const BYTE* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);
       address = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
  }
  return total;
}

}  // namespace

TEST_F(BadPhotos, UnreadableFilesGiveNoOutput) {
  for (const BadFile& bad : badFiles) {
    SCOPED_TRACE(testing::Message() << "file " << testing::PrintToString(std::wstring(bad.name)));
    PhotoItem item;
    item.path = folder.File(bad.name);
    EXPECT_FALSE(PreparePhoto(item, settings));
    Convert(item.path, Output(bad), settings);
    EXPECT_FALSE(FileExists(Output(bad)));
  }
  PhotoItem missing;
  missing.path = folder.File(L"missing.jpg");
  EXPECT_FALSE(PreparePhoto(missing, settings));
}

TEST_F(BadPhotos, ARunOfBadAndGoodFilesLeaksNoHandlesOrBitmaps) {
  const auto convertAll = [&] {
    for (const BadFile& bad : badFiles) Convert(folder.File(bad.name), Output(bad), settings);
    Convert(halfJpeg, folder.File(L"out-half.jpg"), settings);  // the platform may decode what is there
    Convert(goodJpeg, folder.File(L"out-good.jpg"), settings);
  };
  for (int i = 0; i < 5; ++i) convertAll();  // let the platform set up what it keeps
  const int handlesBefore = OpenHandles();
  const uint64_t bytesBefore = CommittedPrivateBytes();
  for (int i = 0; i < 200; ++i) convertAll();
  EXPECT_LE(OpenHandles(), handlesBefore + 4);
  // A leaked 320 x 240 picture per run would add some 60 MB.
  EXPECT_LT(CommittedPrivateBytes(), bytesBefore + 16 * 1024 * 1024);
  EXPECT_TRUE(FileExists(folder.File(L"out-good.jpg")));
}
