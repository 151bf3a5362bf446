#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/pe_headers.h"

namespace kdx {

/// Resource type ids the readers ask for.
constexpr std::uint16_t kResourceTypeMessageTable = 11;
constexpr std::uint16_t kResourceTypeVersion = 16;

/// One resource of a PE image.
struct PeResource {
  std::uint16_t id = 0;
  std::uint16_t language = 0;
  std::string data;
};

// The functions below read a file's bytes as Windows maps the image to read its resources:
// a PE32 image for x86 or a PE32+ image for x64 whose headers and sections the loader accepts
// (the sections inside SizeOfImage, their raw data inside the file, the section table inside
// the headers). Headers and sections lie at their addresses; what the file does not fill, such
// as the part of a section past its raw data, reads as zeros. Any other file has no resources.

/// True when file is a PE32 image for x86 that maps as above: the only kind a 32-bit program
/// loads as a module (LoadLibraryExA with DONT_RESOLVE_DLL_REFERENCES fails with
/// ERROR_BAD_EXE_FORMAT for a PE32+ image or another machine).
bool IsX86Image(const FileBytes& file);

/// Lists every resource of one type, in directory order: each integer-id name, and in it each
/// language. Named entries are passed over, and so is a resource whose data leaves the image
/// or is larger than the file. The type is looked up as the loader does (a binary search over
/// the integer ids). The walk has three fixed levels and stops after 4,096 resources, 16 MiB of
/// data or 16,384 directory entries, so directories that point back at themselves end it too.
std::vector<PeResource> FindPeResources(const FileBytes& file, std::uint16_t type);

/// The data of resource (type, id) as FindResourceA(module, id, type) finds it, i.e. with the
/// neutral language, which is also how GetFileVersionInfoA and FormatMessageA with language 0
/// pick one. Languages are tried in this order: neutral (0x0000), userLanguage,
/// userLanguage's primary language with the neutral sublanguage, English (US) 0x0409, and
/// last the first language listed. Windows tries the thread's, the user's and the system's
/// language in turn: all three are taken to be userLanguage. Each id is looked up by binary
/// search over the directory's integer ids, as the loader does, so an unsorted directory can
/// hide an entry. Nothing when there is no such resource or its data cannot be read.
std::optional<std::string> FindPeResource(const FileBytes& file, std::uint16_t type,
                                          std::uint16_t id, std::uint16_t userLanguage);

}  // namespace kdx
