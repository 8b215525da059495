// A PNG file is a signature and chunks, each with zlib's CRC; the image data is one zlib
// stream of the rows, each after a byte that names no filter, which palette indices need.
#include "png_image.h"

#include <zlib.h>

namespace {

// An image is long runs of a few inks, which deflate's level 3 packs in under half the
// default level's time, for about a quarter more bytes.
constexpr int deflate_level = 3;

void put_u32(std::string &to, std::uint32_t n)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        to.push_back(static_cast<char>(n >> shift));
}

void put_chunk(std::string &to, const char *type, const std::string &data)
{
    put_u32(to, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = to.size();
    to.append(type, 4).append(data);
    const auto *bytes = reinterpret_cast<const Bytef *>(to.data() + start);
    put_u32(to, static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(to.size() - start))));
}

} // namespace

std::string png_file(int width, int height, const std::vector<std::uint8_t> &indices,
                     const std::vector<png_colour> &colours)
{
    std::string data, png = "\x89PNG\r\n\x1a\n";
    put_u32(data, static_cast<std::uint32_t>(width));
    put_u32(data, static_cast<std::uint32_t>(height));
    data.append("\x08\x03\x00\x00\x00", 5); // 8 bits an index, a palette, no interlace
    put_chunk(png, "IHDR", data);
    data.clear();
    for (const png_colour &c : colours)
        data.append({static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)});
    put_chunk(png, "PLTE", data);
    data.clear();
    for (const png_colour &c : colours)
        data.push_back(static_cast<char>(c.a));
    put_chunk(png, "tRNS", data);
    const auto w = static_cast<std::size_t>(width);
    std::string rows;
    rows.reserve((w + 1) * static_cast<std::size_t>(height));
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row)
        rows.append(1, '\0').append(reinterpret_cast<const char *>(indices.data() + row * w), w);
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    data.assign(size, '\0');
    if (compress2(reinterpret_cast<Bytef *>(data.data()), &size,
                  reinterpret_cast<const Bytef *>(rows.data()), static_cast<uLong>(rows.size()),
                  deflate_level) != Z_OK)
        return {};
    data.resize(size);
    put_chunk(png, "IDAT", data);
    put_chunk(png, "IEND", {});
    return png;
}

bool put_base64(std::FILE *out, const std::string &bytes)
{
    constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char line[4096];
    std::size_t used = 0;
    bool written = true;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const auto byte = [&](std::size_t k) {
            return k < left ? static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + k]))
                            : 0u;
        };
        const std::uint32_t n = byte(0) << 16 | byte(1) << 8 | byte(2);
        line[used++] = digits[n >> 18];
        line[used++] = digits[(n >> 12) & 63];
        line[used++] = left > 1 ? digits[(n >> 6) & 63] : '=';
        line[used++] = left > 2 ? digits[n & 63] : '=';
        if (used == sizeof line || i + 3 >= bytes.size()) {
            written = std::fwrite(line, 1, used, out) == used && written;
            used = 0;
        }
    }
    return written;
}
