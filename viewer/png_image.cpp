// A PNG file is a signature and chunks, each with a CRC; the image data is a zlib stream,
// here of stored blocks, each row after a byte that names no filter.
#include "png_image.h"

#include <algorithm>

namespace {

// The largest stored block that deflate allows.
constexpr std::size_t stored_block = 65535;

void put_u32(std::vector<unsigned char> &to, std::uint32_t n)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        to.push_back(static_cast<unsigned char>(n >> shift));
}

std::uint32_t crc32(const unsigned char *bytes, std::size_t length)
{
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

std::uint32_t adler32(const std::vector<unsigned char> &bytes)
{
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : bytes) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void put_chunk(std::vector<unsigned char> &to, const char *type,
               const std::vector<unsigned char> &data)
{
    put_u32(to, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = to.size();
    to.insert(to.end(), type, type + 4);
    to.insert(to.end(), data.begin(), data.end());
    put_u32(to, crc32(to.data() + start, to.size() - start));
}

// The scanlines as a zlib stream of stored blocks.
std::vector<unsigned char> stored_stream(const std::vector<unsigned char> &raw)
{
    std::vector<unsigned char> z{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(stored_block, raw.size() - at);
        const bool last = at + length == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(length & 0xff));
        z.push_back(static_cast<unsigned char>(length >> 8));
        z.push_back(static_cast<unsigned char>(~length & 0xff));
        z.push_back(static_cast<unsigned char>((~length >> 8) & 0xff));
        z.insert(z.end(), raw.begin() + static_cast<long>(at),
                 raw.begin() + static_cast<long>(at + length));
        at += length;
    } while (at < raw.size());
    put_u32(z, adler32(raw));
    return z;
}

} // namespace

std::vector<unsigned char> png_file(int width, int height, const std::vector<std::uint8_t> &indices,
                                    const std::vector<png_colour> &colours)
{
    std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> data;
    put_u32(data, static_cast<std::uint32_t>(width));
    put_u32(data, static_cast<std::uint32_t>(height));
    data.insert(data.end(), {8, 3, 0, 0, 0}); // 8 bits an index, a palette, no interlace
    put_chunk(png, "IHDR", data);
    data.clear();
    for (const png_colour &c : colours)
        data.insert(data.end(), {c.r, c.g, c.b});
    put_chunk(png, "PLTE", data);
    data.clear();
    for (const png_colour &c : colours)
        data.push_back(c.a);
    put_chunk(png, "tRNS", data);
    data.clear();
    const auto w = static_cast<std::size_t>(width);
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
        data.push_back(0);
        data.insert(data.end(), indices.begin() + static_cast<long>(row * w),
                    indices.begin() + static_cast<long>((row + 1) * w));
    }
    put_chunk(png, "IDAT", stored_stream(data));
    put_chunk(png, "IEND", {});
    return png;
}

std::int64_t png_size(std::int64_t width, std::int64_t height, std::int64_t colours)
{
    const std::int64_t raw = (width + 1) * height;
    const std::int64_t blocks = std::max<std::int64_t>(1, (raw + stored_block - 1) / stored_block);
    // The signature, five chunks of twelve bytes beside their data, the header's 13, the
    // palette and its alpha, and zlib's six.
    return 8 + 5 * 12 + 13 + 4 * colours + 2 + 5 * blocks + raw + 4;
}

bool put_base64(std::FILE *out, const std::vector<unsigned char> &bytes)
{
    constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char line[4096];
    std::size_t used = 0;
    bool written = true;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t n = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                (left > 1 ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                (left > 2 ? bytes[i + 2] : 0);
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
