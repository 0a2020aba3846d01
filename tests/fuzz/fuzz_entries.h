#pragma once
// The entry points of the fuzz targets: each takes arbitrary bytes, runs one reader or
// writer of untrusted text on them, and aborts when a property that must hold for every
// input does not. Expected refusals (Failures) are not findings. The libFuzzer targets and
// the replay of the kept corpus in the ordinary tests call the same functions.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace penwick::fuzz {

using Entry = void (*)(const std::uint8_t* data, std::size_t size);

void dateRecognition(const std::uint8_t* data, std::size_t size);
void dateFormat(const std::uint8_t* data, std::size_t size);
void paths(const std::uint8_t* data, std::size_t size);
void lookupFile(const std::uint8_t* data, std::size_t size);
void csvImport(const std::uint8_t* data, std::size_t size);
void settingsFile(const std::uint8_t* data, std::size_t size);
void scramble(const std::uint8_t* data, std::size_t size);

// The entry of a target by its name (the folder name of its corpus), or nullptr.
Entry entryNamed(std::string_view target);

}  // namespace penwick::fuzz
