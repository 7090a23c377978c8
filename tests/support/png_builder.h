#pragma once
// Builds PNG file images in memory for tests: the chunks with their CRCs and
// the pixels in stored (uncompressed) deflate blocks, so every byte is known.

#include <cstdint>
#include <string>

// One PNG chunk: length, type, data, CRC.
std::string PngChunk(const std::string& type, const std::string& data);

// A PNG of `width` x `height` pixels of colour type `colourType` (0 grey,
// 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA) and `depth` bits per sample;
// `rows` holds every row's bytes without its filter byte, back to back
// (each row `rows.size() / height` bytes). `chunks` (PLTE, tRNS) go before
// the pixels.
std::string MakePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType,
                    const std::string& rows, const std::string& chunks = "");
