#pragma once
// The one rule that tells a decoder's warning from damage, for every place a photo is decoded
// (the batch, the strip's thumbnails, the preview, the command line, a HEIC's EXIF).
//
// A JPEG is first read strictly, every warning of libjpeg failing the read. One that fails so
// is read once more alone and leniently ("fail_on=error": libvips still fails it on a file cut
// short and on libjpeg's errors), and what the reader said is judged here, as measured on
// files made from clean photos and on 400 mutated ones (bytes changed, put in, taken out):
//
// | libjpeg / libvips words                                  | side    | why |
// |----------------------------------------------------------|---------|-----|
// | Corrupt JPEG data: N extraneous bytes before marker 0xXX | warning | the bytes are skipped and every pixel is the clean photo's: before DQT, DHT, SOF, SOS or EOI, between a progressive photo's scans, 1 byte to 64 KB |
// | Warning: unknown JFIF revision number N.NN               | warning | an odd APP0: every pixel is the clean photo's |
// | Unknown Adobe color transform code N                     | warning | an odd APP14: the colour space is taken from the components, every pixel the clean photo's |
// | exif: ...                                                | warning | a HEIC's EXIF block libvips cannot read is left out; the picture does not depend on it |
// | premature end of JPEG image                              | damage  | the file is cut short: read on, the rows it lacks come out grey (72 % of them for a cut at 10 %, 23 % at 60 %) |
// | Corrupt JPEG data: premature end of data segment         | damage  | a scan's data overwritten or ending early: read on, the rows below it come out grey |
// | Corrupt JPEG data: bad Huffman code                      | damage  | entropy-coded data that cannot be decoded (the most common words of mutated files) |
// | libjpeg's errors (missing SOS marker, Huffman table not defined, unsupported precision, ...) | damage | no picture at all, however leniently read |
// | anything else, or more than one warning in one read      | damage  | words not known to be harmless; libvips shows only the first of several warnings, and the others may be damage |
//
// An unknown APPn marker, an EXIF thumbnail that cannot be read and stray bytes before a
// baseline photo's EOI draw no words at all: such photos pass the strict read as they are.
#include <string>
#include <vector>

enum class DecoderVerdict {
  Whole,    // nothing said, or only warnings that leave the picture whole
  Damaged,  // the picture is not whole (or cannot be shown to be): refused
};

// `words`: what the decoder said about one photo that it read, one complaint a line (repeats
// and blank lines count once); `warnings`: the most warnings one read of it counted.
DecoderVerdict JudgeDecoderWords(const std::wstring& words, int warnings);

// The distinct lines of `words`, in their order, joined by "; ": how the log names them.
std::wstring DistinctWords(const std::wstring& words);

// The most warnings any read counted, from the lines libvips' JPEG reader writes to glib's
// log ("read gave N warnings"); 0 when it wrote none.
int MostReaderWarnings(const std::vector<std::string>& logLines);

// A line libvips' JPEG reader writes to glib's log about the read it ends: its count of
// warnings and the words that go with them (an empty line when the error buffer was). The
// engine names every photo's words with the photo itself, so these lines, which name no photo,
// are not logged again.
bool IsJpegReaderReport(const char* message);
