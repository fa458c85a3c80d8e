#include "engine/AvifColour.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kFullBoxFields = 4;  // version and flags after a full box's header
constexpr uint64_t kLargest32 = 0xFFFFFFFFu;

// The 'colr' box of the tag: size, type, "nclx", primaries, transfer, matrix, full range.
std::string SrgbColourBox() {
  const unsigned char box[] = {0,   0,    0, 19, 'c', 'o', 'l', 'r', 'n', 'c', 'l', 'x',
                               0,   static_cast<unsigned char>(kSrgbColourPrimaries),
                               0,   static_cast<unsigned char>(kSrgbTransfer),
                               0,   static_cast<unsigned char>(kSrgbMatrix),
                               kSrgbFullRange ? 0x80 : 0x00};
  return std::string(reinterpret_cast<const char*>(box), sizeof(box));
}

// Big-endian fields of the file, never read past its end.
class Bytes {
public:
  Bytes(const unsigned char* data, std::size_t size) : data(data), size(size) {}
  bool Has(std::size_t at, std::size_t length) const { return at <= size && length <= size - at; }
  uint64_t Field(std::size_t at, std::size_t width) const {
    uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = value << 8 | data[at + i];
    return value;
  }
  bool Is(std::size_t at, const char* type) const { return Has(at, 4) && std::memcmp(data + at, type, 4) == 0; }
  std::size_t Size() const { return size; }

private:
  const unsigned char* data;
  std::size_t size;
};

struct Box {
  std::size_t at = 0;      // where its size field starts
  std::size_t header = 0;  // 8, or 16 with a 64-bit size
  std::size_t size = 0;    // the whole box
  std::size_t End() const { return at + size; }
  std::size_t Content() const { return at + header; }
};

// The box starting at `at`, which must end by `end`.
bool BoxAt(const Bytes& file, std::size_t at, std::size_t end, Box& box) {
  if (!file.Has(at, 8) || at + 8 > end) return false;
  box.at = at;
  box.header = 8;
  uint64_t size = file.Field(at, 4);
  if (size == 1) {
    if (!file.Has(at + 8, 8)) return false;
    size = file.Field(at + 8, 8);
    box.header = 16;
  } else if (size == 0) {
    size = end - at;  // to the end of its parent
  }
  if (size < box.header || size > end - at) return false;
  box.size = static_cast<std::size_t>(size);
  return true;
}

// The first child of type `type` among the boxes from `from` to `end`.
bool FindBox(const Bytes& file, std::size_t from, std::size_t end, const char* type, Box& found) {
  for (std::size_t at = from; at < end;) {
    Box box;
    if (!BoxAt(file, at, end, box)) return false;
    if (file.Is(at + 4, type)) {
      found = box;
      return true;
    }
    at = box.End();
  }
  return false;
}

// A field of the copy to be rewritten with a new value of the same width.
struct FieldChange {
  std::size_t at;
  std::size_t width;
  uint64_t value;
};

// What the tag changes in the file: fields rewritten in place, then bytes put in.
struct Edit {
  std::vector<FieldChange> fields;
  std::vector<std::pair<std::size_t, std::string>> insertions;
};

// The box's size field grown by `grown` bytes.
bool Grow(const Box& box, std::size_t grown, Edit& edit) {
  const uint64_t size = uint64_t{box.size} + grown;
  if (box.header == 16) {
    edit.fields.push_back({box.at + 8, 8, size});
    return true;
  }
  if (size > kLargest32) return false;
  edit.fields.push_back({box.at, 4, size});
  return true;
}

// The primary picture's item number ('pitm').
bool PrimaryItem(const Bytes& file, const Box& meta, uint32_t& item) {
  Box pitm;
  if (!FindBox(file, meta.Content() + kFullBoxFields, meta.End(), "pitm", pitm)) return false;
  const std::size_t fields = pitm.Content();
  const std::size_t width = file.Has(fields, 1) && file.Field(fields, 1) == 0 ? 2 : 4;
  if (!file.Has(fields + kFullBoxFields, width) || fields + kFullBoxFields + width > pitm.End()) return false;
  item = static_cast<uint32_t>(file.Field(fields + kFullBoxFields, width));
  return true;
}

// The properties in 'ipco': how many, and whether one is a colour tag already.
bool CountProperties(const Bytes& file, const Box& ipco, int& count, bool& hasColour) {
  count = 0;
  hasColour = false;
  for (std::size_t at = ipco.Content(); at < ipco.End(); ++count) {
    Box property;
    if (!BoxAt(file, at, ipco.End(), property)) return false;
    hasColour = hasColour || file.Is(at + 4, "colr");
    at = property.End();
  }
  return true;
}

// One more association in 'ipma' for `item`, to property number `property` (from 1), not
// essential. `grown` receives the bytes it adds.
bool Associate(const Bytes& file, const Box& ipma, uint32_t item, int property, Edit& edit, std::size_t& grown) {
  const std::size_t fields = ipma.Content();
  if (!file.Has(fields, kFullBoxFields)) return false;
  const uint64_t version = file.Field(fields, 1);
  const bool wideIndex = (file.Field(fields + 1, 3) & 1) != 0;
  const std::size_t idWidth = version < 1 ? 2 : 4;
  const std::size_t associationWidth = wideIndex ? 2 : 1;
  std::size_t at = fields + kFullBoxFields;
  if (!file.Has(at, 4)) return false;
  const uint64_t entries = file.Field(at, 4);
  at += 4;
  for (uint64_t e = 0; e < entries; ++e) {
    if (!file.Has(at, idWidth + 1) || at + idWidth + 1 > ipma.End()) return false;
    const uint64_t id = file.Field(at, idWidth);
    const uint64_t associations = file.Field(at + idWidth, 1);
    const std::size_t next = at + idWidth + 1 + static_cast<std::size_t>(associations) * associationWidth;
    if (next > ipma.End()) return false;
    if (id == item) {
      const int largestIndex = wideIndex ? 0x7FFF : 0x7F;
      if (associations >= 0xFF || property > largestIndex) return false;
      edit.fields.push_back({at + idWidth, 1, associations + 1});
      const char association[2] = {static_cast<char>(property >> 8), static_cast<char>(property)};
      edit.insertions.emplace_back(next, wideIndex ? std::string(association, 2) : std::string(1, association[1]));
      grown = associationWidth;
      return true;
    }
    at = next;
  }
  return false;
}

// Every offset into the file at or after `from` in 'iloc', moved by `shift` bytes.
bool MoveOffsets(const Bytes& file, const Box& iloc, std::size_t from, std::size_t shift, Edit& edit) {
  std::size_t at = iloc.Content();
  if (!file.Has(at, kFullBoxFields + 2)) return false;
  const uint64_t version = file.Field(at, 1);
  if (version > 2) return false;
  const std::size_t offsetWidth = static_cast<std::size_t>(file.Field(at + 4, 1) >> 4);
  const std::size_t lengthWidth = static_cast<std::size_t>(file.Field(at + 4, 1) & 0x0F);
  const std::size_t baseWidth = static_cast<std::size_t>(file.Field(at + 5, 1) >> 4);
  const bool indexed = version == 1 || version == 2;
  const std::size_t indexWidth = indexed ? static_cast<std::size_t>(file.Field(at + 5, 1) & 0x0F) : 0;
  const std::size_t idWidth = version < 2 ? 2 : 4;
  at += kFullBoxFields + 2;
  if (!file.Has(at, idWidth)) return false;
  const uint64_t items = file.Field(at, idWidth);
  at += idWidth;
  // Moves the field at `where` when it points at `from` or after; false when it cannot hold the move.
  const auto move = [&](std::size_t where, std::size_t width) {
    const uint64_t value = file.Field(where, width);
    if (width == 0 || value < from) return true;
    const uint64_t moved = value + shift;
    if (width < 8 && moved >> (8 * width) != 0) return false;
    edit.fields.push_back({where, width, moved});
    return true;
  };
  for (uint64_t i = 0; i < items; ++i) {
    const std::size_t head = idWidth + (indexed ? 2 : 0) + 2 + baseWidth + 2;
    if (!file.Has(at, head) || at + head > iloc.End()) return false;
    const uint64_t method = indexed ? file.Field(at + idWidth, 2) & 0x0F : 0;
    const std::size_t base = at + idWidth + (indexed ? 2 : 0) + 2;
    const uint64_t extents = file.Field(base + baseWidth, 2);
    at = base + baseWidth + 2;
    const std::size_t extentWidth = indexWidth + offsetWidth + lengthWidth;
    if (!file.Has(at, static_cast<std::size_t>(extents) * extentWidth) ||
        at + static_cast<std::size_t>(extents) * extentWidth > iloc.End())
      return false;
    // Only offsets into the file move (construction method 0); those into 'idat' do not.
    if (method == 0) {
      const bool byBase = baseWidth > 0 && file.Field(base, baseWidth) != 0;
      if (byBase && !move(base, baseWidth)) return false;
      for (uint64_t e = 0; !byBase && e < extents; ++e)
        if (!move(at + static_cast<std::size_t>(e) * extentWidth + indexWidth, offsetWidth)) return false;
    }
    at += static_cast<std::size_t>(extents) * extentWidth;
  }
  return true;
}

// The file with the edit made: the fields first, then the insertions from the last one back,
// so that every position is one of the original file.
HRESULT Apply(const unsigned char* avif, std::size_t size, Edit edit, VipsBytes& tagged) {
  std::size_t added = 0;
  for (const auto& insertion : edit.insertions) added += insertion.second.size();
  GMemory memory(g_try_malloc(size + added));
  if (!memory) return E_OUTOFMEMORY;
  std::vector<unsigned char> copy(avif, avif + size);
  for (const FieldChange& field : edit.fields)
    for (std::size_t i = 0; i < field.width; ++i)
      copy[field.at + i] = static_cast<unsigned char>(field.value >> (8 * (field.width - 1 - i)));
  std::sort(edit.insertions.begin(), edit.insertions.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [at, bytes] : edit.insertions) copy.insert(copy.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
  std::memcpy(memory.get(), copy.data(), copy.size());
  tagged.data = std::move(memory);
  tagged.size = copy.size();
  return S_OK;
}

}  // namespace

HRESULT WithSrgbTag(const unsigned char* avif, std::size_t size, VipsBytes& tagged) {
  if (avif == nullptr) return E_FAIL;
  const Bytes file(avif, size);
  Box meta, iprp, ipco, ipma, iloc;
  if (!FindBox(file, 0, size, "meta", meta)) return E_FAIL;
  const std::size_t children = meta.Content() + kFullBoxFields;
  if (!FindBox(file, children, meta.End(), "iprp", iprp) || !FindBox(file, children, meta.End(), "iloc", iloc) ||
      !FindBox(file, iprp.Content(), iprp.End(), "ipco", ipco) ||
      !FindBox(file, iprp.Content(), iprp.End(), "ipma", ipma))
    return E_FAIL;
  uint32_t primary = 0;
  int properties = 0;
  bool hasColour = false;
  if (!PrimaryItem(file, meta, primary) || !CountProperties(file, ipco, properties, hasColour)) return E_FAIL;
  if (hasColour) return S_FALSE;

  Edit edit;
  const std::string colour = SrgbColourBox();
  edit.insertions.emplace_back(ipco.End(), colour);
  std::size_t associationBytes = 0;
  if (!Associate(file, ipma, primary, properties + 1, edit, associationBytes)) return E_FAIL;
  const std::size_t grown = colour.size() + associationBytes;
  if (!Grow(ipco, colour.size(), edit) || !Grow(ipma, associationBytes, edit) || !Grow(iprp, grown, edit) ||
      !Grow(meta, grown, edit) || !MoveOffsets(file, iloc, meta.End(), grown, edit))
    return E_FAIL;
  return Apply(avif, size, std::move(edit), tagged);
}
