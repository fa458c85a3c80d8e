#pragma once
// One line of a record's table of stored fields: the field's section and key in the settings
// file, and how the field's type meets the file's text. A number is stored as its decimal
// text, a yes/no as "0" or "1", a choice as the number of its enum (the numbers are the ones
// the file has always held), a text as it is. Reading mends what a hand edit or an older file
// may hold: a choice outside its enum, or a yes/no other than 0 and 1 where the field says so,
// reads as the default record's value. The record's own Load mends what needs more than one
// field. SaveData_CL holds the conversion settings' table, the main window its own state's.
#include <string>
#include <type_traits>
#include <vector>

#include "base/Inifile.h"

template <typename Record>
struct StoredField {
  const wchar_t* section;
  const wchar_t* key;
  // Reads the field from ini; a missing key gives the default record's value.
  void (*read)(Record& record, const Inifile_CL& ini, const wchar_t* section, const wchar_t* key,
               const Record& defaults);
  // The field's value as the file holds it.
  std::wstring (*text)(const Record& record);
};

namespace stored {

// The rows by the field's type. `Access` is a lambda without captures that gives the field of a
// record: [](auto& r) -> auto& { return r.NoEnlarge; }.

// A number or a text as the file holds it.
inline int ReadStored(const Inifile_CL& ini, const wchar_t* section, const wchar_t* key, int fallback) {
  return ini.ReadInt(section, key, fallback);
}
inline std::wstring ReadStored(const Inifile_CL& ini, const wchar_t* section, const wchar_t* key,
                               const std::wstring& fallback) {
  return ini.ReadString(section, key, fallback);
}
inline std::wstring StoredText(int value) { return std::to_wstring(value); }
inline std::wstring StoredText(const std::wstring& value) { return value; }

// A number or a text, kept as read.
template <typename Record, typename Access>
constexpr StoredField<Record> Kept(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            Access{}(r) = ReadStored(ini, s, k, Access{}(d));
          },
          [](const Record& r) { return StoredText(Access{}(r)); }};
}
template <typename Record, typename Access>
constexpr StoredField<Record> Number(const wchar_t* section, const wchar_t* key, Access access) {
  return Kept<Record>(section, key, access);
}
template <typename Record, typename Access>
constexpr StoredField<Record> Text(const wchar_t* section, const wchar_t* key, Access access) {
  return Kept<Record>(section, key, access);
}

// A yes/no that any number but 0 turns on.
template <typename Record, typename Access>
constexpr StoredField<Record> Flag(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            Access{}(r) = ini.ReadInt(s, k, Access{}(d) ? 1 : 0) != 0;
          },
          [](const Record& r) { return std::wstring(Access{}(r) ? L"1" : L"0"); }};
}

// A yes/no stored as 0 or 1; anything else reads as the default.
template <typename Record, typename Access>
constexpr StoredField<Record> OnOff(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            const int stored = ini.ReadInt(s, k, Access{}(d) ? 1 : 0);
            Access{}(r) = stored == 0 || stored == 1 ? stored == 1 : Access{}(d);
          },
          [](const Record& r) { return std::wstring(Access{}(r) ? L"1" : L"0"); }};
}

// A choice of `count` values 0..count-1 of an enum; anything else reads as the default.
template <int count, typename Record, typename Access>
constexpr StoredField<Record> Choice(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            using Enum = std::remove_reference_t<decltype(Access{}(r))>;
            const int stored = ini.ReadInt(s, k, static_cast<int>(Access{}(d)));
            Access{}(r) = stored >= 0 && stored < count ? static_cast<Enum>(stored) : Access{}(d);
          },
          [](const Record& r) { return std::to_wstring(static_cast<int>(Access{}(r))); }};
}

// Reads every field of the table into record.
template <typename Record, size_t n>
void ReadAll(const StoredField<Record> (&table)[n], Record& record, const Inifile_CL& ini, const Record& defaults) {
  for (const StoredField<Record>& field : table) field.read(record, ini, field.section, field.key, defaults);
}

// Every field of the table as the file holds it, in the table's order.
template <typename Record, size_t n>
std::vector<IniEntry> Entries(const StoredField<Record> (&table)[n], const Record& record) {
  std::vector<IniEntry> entries;
  for (const StoredField<Record>& field : table) entries.push_back(IniEntry{field.section, field.key, field.text(record)});
  return entries;
}

}  // namespace stored
