// k9-bmp8: turns a picture (PNG, BMP, ...) into a 256-colour Windows bitmap, for
// pictures that ship inside the server as 8-bit bitmap resources.
//
//   k9-bmp8 IN.png OUT.bmp
//
// A picture of at most 256 colours keeps them exactly. Otherwise the palette is
// made by median cut over the picture's colours, weighted by how often each
// occurs, and every pixel takes its nearest palette colour; there is no
// dithering, which suits the flat fills and thin lines of a map. The output is
// the same for the same input, so a regenerated file only differs when its
// picture does.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Colour {
  std::uint32_t rgb;  // 0xRRGGBB
  std::uint64_t count;
};

int Channel(std::uint32_t rgb, int channel) {
  return static_cast<int>((rgb >> (16 - 8 * channel)) & 0xFF);
}

// A box of colours for median cut: the range [begin, end) of the colour list.
struct Box {
  std::size_t begin;
  std::size_t end;
};

// The channel with the widest spread in the box, and that spread.
std::pair<int, int> WidestChannel(const std::vector<Colour>& colours, const Box& box) {
  int best_channel = 0;
  int best_spread = -1;
  for (int channel = 0; channel < 3; ++channel) {
    int low = 255;
    int high = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
      low = std::min(low, Channel(colours[i].rgb, channel));
      high = std::max(high, Channel(colours[i].rgb, channel));
    }
    if (high - low > best_spread) {
      best_spread = high - low;
      best_channel = channel;
    }
  }
  return {best_channel, best_spread};
}

std::vector<std::uint32_t> MedianCut(std::vector<Colour> colours, std::size_t size) {
  std::vector<Box> boxes{{0, colours.size()}};
  while (boxes.size() < size) {
    // Split the box whose widest channel spreads most; a box of one colour cannot split.
    std::size_t pick = boxes.size();
    int pick_spread = 0;
    int pick_channel = 0;
    for (std::size_t b = 0; b < boxes.size(); ++b) {
      if (boxes[b].end - boxes[b].begin < 2) continue;
      const auto [channel, spread] = WidestChannel(colours, boxes[b]);
      if (spread > pick_spread) {
        pick = b;
        pick_spread = spread;
        pick_channel = channel;
      }
    }
    if (pick == boxes.size()) break;
    Box& box = boxes[pick];
    const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last, [pick_channel](const Colour& a, const Colour& b) {
      const int ca = Channel(a.rgb, pick_channel);
      const int cb = Channel(b.rgb, pick_channel);
      return ca != cb ? ca < cb : a.rgb < b.rgb;
    });
    // Cut where half the box's pixels lie on each side, keeping both halves non-empty.
    std::uint64_t total = 0;
    for (auto it = first; it != last; ++it) total += it->count;
    std::uint64_t running = 0;
    std::size_t cut = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
      running += colours[i].count;
      cut = i + 1;
      if (running * 2 >= total) break;
    }
    const Box upper{cut, box.end};
    box.end = cut;
    boxes.push_back(upper);
  }
  std::vector<std::uint32_t> palette;
  for (const Box& box : boxes) {
    std::array<std::uint64_t, 3> sum{};
    std::uint64_t weight = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
      for (int channel = 0; channel < 3; ++channel) {
        sum[static_cast<std::size_t>(channel)] +=
            static_cast<std::uint64_t>(Channel(colours[i].rgb, channel)) * colours[i].count;
      }
      weight += colours[i].count;
    }
    std::uint32_t rgb = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
      rgb = (rgb << 8) | static_cast<std::uint32_t>((sum[channel] + weight / 2) / weight);
    }
    palette.push_back(rgb);
  }
  return palette;
}

std::uint8_t Nearest(const std::vector<std::uint32_t>& palette, std::uint32_t rgb) {
  std::size_t best = 0;
  int best_distance = 1 << 30;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    int distance = 0;
    for (int channel = 0; channel < 3; ++channel) {
      const int d = Channel(palette[i], channel) - Channel(rgb, channel);
      distance += d * d;
    }
    if (distance < best_distance) {
      best_distance = distance;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A bottom-up 8-bit bitmap with a full 256-entry colour table.
std::vector<std::uint8_t> Bitmap8(int width, int height, const std::vector<std::uint32_t>& palette,
                                  const std::vector<std::uint8_t>& indices) {
  const auto stride = static_cast<std::uint32_t>((width + 3) / 4 * 4);
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  const std::uint32_t image_size = stride * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + image_size);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);  // planes
  Put16(out, 8);  // bits per pixel
  Put32(out, 0);  // BI_RGB
  Put32(out, image_size);
  Put32(out, 3780);  // 96 dots per inch, in dots per metre
  Put32(out, 3780);
  Put32(out, 256);  // colours used
  Put32(out, 0);    // all of them important
  for (std::size_t i = 0; i < 256; ++i) {
    const std::uint32_t rgb = i < palette.size() ? palette[i] : 0;
    out.push_back(static_cast<std::uint8_t>(rgb & 0xFF));
    out.push_back(static_cast<std::uint8_t>((rgb >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>((rgb >> 16) & 0xFF));
    out.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    const auto row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    out.insert(
        out.end(), indices.begin() + static_cast<std::ptrdiff_t>(row),
        indices.begin() + static_cast<std::ptrdiff_t>(row + static_cast<std::size_t>(width)));
    out.insert(out.end(), stride - static_cast<std::uint32_t>(width), 0);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: k9-bmp8 IN.png OUT.bmp\n");
    return 2;
  }
  int width = 0;
  int height = 0;
  int channels = 0;
  stbi_uc* pixels = stbi_load(argv[1], &width, &height, &channels, 3);
  if (pixels == nullptr) {
    std::fprintf(stderr, "k9-bmp8: cannot read %s: %s\n", argv[1], stbi_failure_reason());
    return 1;
  }
  const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<std::uint32_t> rgb(count);
  std::map<std::uint32_t, std::uint64_t> histogram;
  for (std::size_t i = 0; i < count; ++i) {
    rgb[i] = (std::uint32_t{pixels[3 * i]} << 16) | (std::uint32_t{pixels[3 * i + 1]} << 8) |
             pixels[3 * i + 2];
    ++histogram[rgb[i]];
  }
  stbi_image_free(pixels);

  std::vector<Colour> colours;
  for (const auto& [colour, n] : histogram) colours.push_back({colour, n});
  const std::vector<std::uint32_t> palette = MedianCut(colours, 256);
  std::map<std::uint32_t, std::uint8_t> index_of;
  std::vector<std::uint8_t> indices(count);
  for (std::size_t i = 0; i < count; ++i) {
    auto found = index_of.find(rgb[i]);
    if (found == index_of.end()) found = index_of.emplace(rgb[i], Nearest(palette, rgb[i])).first;
    indices[i] = found->second;
  }

  const std::vector<std::uint8_t> bitmap = Bitmap8(width, height, palette, indices);
  // Written beside the target and renamed over it, so a failed run leaves the old file.
  const std::string temp = std::string(argv[2]) + ".tmp";
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bitmap.data()),
               static_cast<std::streamsize>(bitmap.size()));
    if (!file.flush()) {
      std::fprintf(stderr, "k9-bmp8: cannot write %s\n", temp.c_str());
      std::remove(temp.c_str());
      return 1;
    }
  }
  if (std::rename(temp.c_str(), argv[2]) != 0) {
    std::fprintf(stderr, "k9-bmp8: cannot replace %s\n", argv[2]);
    std::remove(temp.c_str());
    return 1;
  }
  std::printf("%dx%d, %zu colours in, %zu in the palette\n", width, height, histogram.size(),
              palette.size());
  return 0;
}
