#pragma once
// One line of a record's table of stored fields: the field's section and key in the settings
// file, and how the field's type meets the file's text. A number is stored as its decimal
// text, a yes/no as "0" or "1", a choice as the number of its enum (the numbers are the ones
// the file has always held), a text as it is. Reading mends what a hand edit or an older file
// may hold: a choice outside its enum, or a yes/no other than 0 and 1 where the field says so,
// reads as the default record's value. The record's own Load mends what needs more than one
// field. SaveData_CL holds the conversion settings' table, the main window its own state's.
#include <climits>
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
  // Sets the field from a value a section holds, strictly: false when the text is no value of
  // the field (digits of an int, 0 or 1, a number of the enum), which then takes the default
  // record's. For sections no earlier version wrote (presets), where nothing need be read as
  // loosely as the older keys of the file are.
  bool (*parse)(Record& record, const std::wstring& value, const Record& defaults);
};

namespace stored {

// Decimal text, with an optional minus, that fits an int; nothing else.
inline bool ParseInt(const std::wstring& text, int& value) {
  const size_t sign = !text.empty() && text[0] == L'-' ? 1 : 0;
  if (text.size() == sign || text.size() - sign > 10) return false;
  long long number = 0;
  for (size_t i = sign; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    number = number * 10 + (text[i] - L'0');
  }
  if (sign == 1) number = -number;
  if (number < INT_MIN || number > INT_MAX) return false;
  value = static_cast<int>(number);
  return true;
}

// A number of low..high, or nothing.
inline bool ParseIntIn(const std::wstring& text, int low, int high, int& value) {
  int read = 0;
  if (!ParseInt(text, read) || read < low || read > high) return false;
  value = read;
  return true;
}

// The field set from `value` when parsed is true, else from the default record.
template <typename Field>
bool Taken(bool parsed, Field& field, const Field& fallback) {
  if (!parsed) field = fallback;
  return parsed;
}

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
// A section's value strictly read into a number (decimal digits only) or a text (any).
inline bool ParseStored(const std::wstring& value, int& field) { return ParseInt(value, field); }
inline bool ParseStored(const std::wstring& value, std::wstring& field) {
  field = value;
  return true;
}

// A number or a text, kept as read.
template <typename Record, typename Access>
constexpr StoredField<Record> Kept(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            Access{}(r) = ReadStored(ini, s, k, Access{}(d));
          },
          [](const Record& r) { return StoredText(Access{}(r)); },
          [](Record& r, const std::wstring& v, const Record& d) {
            return Taken(ParseStored(v, Access{}(r)), Access{}(r), Access{}(d));
          }};
}
template <typename Record, typename Access>
constexpr StoredField<Record> Number(const wchar_t* section, const wchar_t* key, Access access) {
  return Kept<Record>(section, key, access);
}
template <typename Record, typename Access>
constexpr StoredField<Record> Text(const wchar_t* section, const wchar_t* key, Access access) {
  return Kept<Record>(section, key, access);
}

// A yes/no as the file holds it, "0" or "1"; and read strictly from a section's value.
template <typename Record, typename Access>
std::wstring YesNoText(const Record& r) {
  return Access{}(r) ? L"1" : L"0";
}
template <typename Record, typename Access>
bool ParseYesNo(Record& r, const std::wstring& v, const Record& d) {
  int read = 0;
  const bool parsed = ParseIntIn(v, 0, 1, read);
  if (parsed) Access{}(r) = read == 1;
  return Taken(parsed, Access{}(r), Access{}(d));
}

// A yes/no that any number but 0 turns on.
template <typename Record, typename Access>
constexpr StoredField<Record> Flag(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            Access{}(r) = ini.ReadInt(s, k, Access{}(d) ? 1 : 0) != 0;
          },
          YesNoText<Record, Access>, ParseYesNo<Record, Access>};
}

// A yes/no stored as 0 or 1; anything else reads as the default.
template <typename Record, typename Access>
constexpr StoredField<Record> OnOff(const wchar_t* section, const wchar_t* key, Access) {
  return {section, key,
          [](Record& r, const Inifile_CL& ini, const wchar_t* s, const wchar_t* k, const Record& d) {
            const int stored = ini.ReadInt(s, k, Access{}(d) ? 1 : 0);
            Access{}(r) = stored == 0 || stored == 1 ? stored == 1 : Access{}(d);
          },
          YesNoText<Record, Access>, ParseYesNo<Record, Access>};
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
          [](const Record& r) { return std::to_wstring(static_cast<int>(Access{}(r))); },
          [](Record& r, const std::wstring& v, const Record& d) {
            using Enum = std::remove_reference_t<decltype(Access{}(r))>;
            int read = 0;
            const bool parsed = ParseIntIn(v, 0, count - 1, read);
            if (parsed) Access{}(r) = static_cast<Enum>(read);
            return Taken(parsed, Access{}(r), Access{}(d));
          }};
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
