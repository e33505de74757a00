#pragma once
// Print server raster streams made in memory, the way the filters before the print
// driver write them, and the printer commands of a receipt read back into a bitmap.
//   RasterPage page = RasterPage::Bits(384, 48);  page.Set(x, y);
//   std::string stream = RasterStream({page});
#include <cups/raster.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

struct RasterPage {
  cups_page_header2_t header{};
  std::vector<std::uint8_t> data;  // cupsBytesPerLine × cupsHeight

  // A page of width × height dots at 203 dpi; pagePoints the page width in points (136
  // for 58 mm paper, 204 for 80 mm).
  static RasterPage Make(unsigned width, unsigned height, cups_cspace_t space, unsigned bitsPerColor,
                         unsigned pagePoints = 204) {
    RasterPage page;
    cups_page_header2_t& h = page.header;
    std::memset(&h, 0, sizeof h);
    h.HWResolution[0] = h.HWResolution[1] = 203;
    h.PageSize[0] = pagePoints;
    h.PageSize[1] = height * 72 / 203;
    h.cupsWidth = width;
    h.cupsHeight = height;
    h.cupsColorSpace = space;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsBitsPerColor = bitsPerColor;
    h.cupsBitsPerPixel = space == CUPS_CSPACE_RGB ? 3 * bitsPerColor : bitsPerColor;
    h.cupsBytesPerLine = (width * h.cupsBitsPerPixel + 7) / 8;
    h.cupsNumColors = space == CUPS_CSPACE_RGB ? 3 : 1;
    // White: 0 bits of black (K), full luminance (W, RGB).
    page.data.assign(static_cast<std::size_t>(h.cupsBytesPerLine) * height, space == CUPS_CSPACE_K ? 0 : 0xFF);
    return page;
  }
  // 1-bit black (K): a set bit prints.
  static RasterPage Bits(unsigned width, unsigned height, unsigned pagePoints = 204) {
    return Make(width, height, CUPS_CSPACE_K, 1, pagePoints);
  }
  // 8-bit luminance (sW): 0 black, 255 white.
  static RasterPage Gray(unsigned width, unsigned height, unsigned pagePoints = 204) {
    return Make(width, height, CUPS_CSPACE_SW, 8, pagePoints);
  }

  // Marks the dot at (x, y) black (1-bit pages) or gives it the gray value (8-bit).
  void Set(unsigned x, unsigned y, std::uint8_t gray = 0) {
    std::uint8_t* line = data.data() + static_cast<std::size_t>(header.cupsBytesPerLine) * y;
    if (header.cupsBitsPerPixel == 1) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    else line[x] = gray;
  }
};

// The pages as one raster stream (version 3, uncompressed).
inline std::string RasterStream(const std::vector<RasterPage>& pages) {
  std::string out;
  cups_raster_t* raster = cupsRasterOpenIO(
      [](void* ctx, unsigned char* buffer, size_t length) -> ssize_t {
        static_cast<std::string*>(ctx)->append(reinterpret_cast<const char*>(buffer), length);
        return static_cast<ssize_t>(length);
      },
      &out, CUPS_RASTER_WRITE);
  for (const RasterPage& page : pages) {
    cups_page_header2_t header = page.header;
    cupsRasterWriteHeader2(raster, &header);
    cupsRasterWritePixels(raster, const_cast<unsigned char*>(page.data.data()), static_cast<unsigned>(page.data.size()));
  }
  cupsRasterClose(raster);
  return out;
}

// A receipt as the printer would print it: the rows of its image commands stacked,
// blank rows for fed dots; widthBytes is the widest image's row.
struct PrintedReceipt {
  std::vector<std::vector<std::uint8_t>> rows;
  unsigned widthBytes = 0;
  bool Dot(unsigned x, unsigned y) const {
    return y < rows.size() && x / 8 < rows[y].size() && (rows[y][x / 8] & (0x80 >> (x % 8))) != 0;
  }
};

// What a command stream does, one entry per command: "image WxH", "feed dots N",
// "feed lines N", "cut full", "cut partial", or "unknown XX" for a byte that starts no
// command of the receipt; receipts gets the printed receipts, one per cut (and the rest
// after the last cut, when anything was printed).
inline std::vector<std::string> ReadReceiptCommands(const std::string& bytes, std::vector<PrintedReceipt>* receipts = nullptr) {
  std::vector<std::string> commands;
  PrintedReceipt current;
  bool printed = false;
  auto u = [&](std::size_t i) { return i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : 0u; };
  for (std::size_t i = 0; i < bytes.size();) {
    if (u(i) == 0x1D && u(i + 1) == 0x76 && u(i + 2) == 0x30 && i + 8 <= bytes.size()) {
      const unsigned x = u(i + 4) | (u(i + 5) << 8), y = u(i + 6) | (u(i + 7) << 8);
      commands.push_back("image " + std::to_string(x * 8) + "x" + std::to_string(y));
      for (unsigned r = 0; r < y; ++r) {
        const std::size_t at = i + 8 + static_cast<std::size_t>(r) * x;
        current.rows.emplace_back(bytes.begin() + static_cast<long>(std::min(at, bytes.size())),
                                  bytes.begin() + static_cast<long>(std::min(at + x, bytes.size())));
      }
      current.widthBytes = std::max(current.widthBytes, x);
      printed = true;
      i += 8 + static_cast<std::size_t>(x) * y;
    } else if (u(i) == 0x1B && u(i + 1) == 0x4A) {
      commands.push_back("feed dots " + std::to_string(u(i + 2)));
      current.rows.resize(current.rows.size() + u(i + 2));
      i += 3;
    } else if (u(i) == 0x1B && u(i + 1) == 0x64) {
      commands.push_back("feed lines " + std::to_string(u(i + 2)));
      i += 3;
    } else if (u(i) == 0x1D && u(i + 1) == 0x56) {
      commands.push_back(u(i + 2) == 0 ? "cut full" : "cut partial");
      if (receipts) receipts->push_back(current);
      current = PrintedReceipt{};
      printed = false;
      i += 3;
    } else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "unknown %02X", u(i));
      commands.push_back(hex);
      ++i;
    }
  }
  if (receipts && printed) receipts->push_back(current);
  return commands;
}
