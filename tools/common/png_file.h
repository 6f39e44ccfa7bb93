// 8-bit RGB PNG files through libpng.
#pragma once

#include "scene/image.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// Keyword and text of a tEXt chunk ("Software", "Description", ...).
using PngText = std::pair<std::string, std::string>;

// Writes `image` to `file` as an 8-bit RGB PNG, with the given text chunks
// and nothing time-dependent, so the same picture gives the same bytes.
// Returns false with libpng's message in `error` if it fails.
bool writePng(std::FILE* file, const RgbImage& image, const std::vector<PngText>& text,
              std::string& error);

// Reads a PNG of any colour type and depth as 8-bit RGB (alpha dropped,
// grey expanded). Returns false with a message in `error` if it fails.
bool readPng(const std::string& path, RgbImage& image, std::string& error);
