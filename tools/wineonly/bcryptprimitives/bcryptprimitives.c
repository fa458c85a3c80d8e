// ProcessPrng for Wine versions that have no bcryptprimitives.dll (Wine 8 among them):
// libvips-42.dll imports it for its random bytes, and without it the DLL does not load.
// Windows 8 and later have the real one, so this DLL belongs in the Wine prefix of the
// tests only (tools/wine-prefix puts it there) and never beside the program.
#include <windows.h>
#include <bcrypt.h>

BOOL WINAPI ProcessPrng(PBYTE data, SIZE_T size)
{
  // BCryptGenRandom counts in ULONG; SIZE_T is wider.
  while (size > 0) {
    ULONG chunk = size > 0x40000000u ? 0x40000000u : (ULONG)size;
    if (!BCRYPT_SUCCESS(BCryptGenRandom(NULL, data, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      // The real one never fails and its callers do not look at the result, so a failure
      // must not pass as a filled buffer: stop the process as Windows would (STATUS_INTERNAL_ERROR).
      RaiseException(0xC00000E5u, EXCEPTION_NONCONTINUABLE, 0, NULL);
    }
    data += chunk;
    size -= chunk;
  }
  return TRUE;
}
