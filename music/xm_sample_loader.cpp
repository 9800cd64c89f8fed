// Samples: the header fields converted to frames and loop kinds, and the data
// widened to signed 16-bit frames with a guard frame at the loop end.
#include <algorithm>
#include <bit>
#include <new>

#include "music/xm_file_reader.h"
#include "music/xm_loader_parts.h"
#include "music/xm_types.h"

static_assert(std::endian::native == std::endian::little, "16-bit sample data is read in place");

namespace {


struct SampleHeader {
    std::int64_t length, loopStart, loopLength;  // bytes in the file, frames after conversion
    std::uint8_t type;
};

std::uint8_t loopTypeOf(std::uint8_t type) {
    if (type & 2) return 4;
    if (type & 1) return 2;
    return 1;
}

// Loops lie inside the sample; an empty loop plays the sample once.
void convertLoop(SampleHeader& header, XmSample& sample) {
    if (sample.loopType == 1) {
        header.loopStart = 0;
        header.loopLength = header.length;
    }
    if (sample.bits == 16) {
        header.length /= 2;
        header.loopStart /= 2;
        header.loopLength /= 2;
    }
    header.loopStart = std::min(header.loopStart, header.length);
    header.loopLength = std::min(header.loopLength, header.length - header.loopStart);
    if (header.loopLength == 0) {
        header.loopStart = 0;
        header.loopLength = header.length;
        sample.loopType = 1;
    }
}

// 8-bit bytes k become frames byte x 256, in place from the end.
void widenEightBit(std::int16_t* frames, std::int32_t length) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frames);
    for (std::int32_t k = length - 1; k >= 0; --k) {
        frames[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[k] << 8));
    }
}

// The file stores differences; the running sum wraps at 16 bits. Returns
// the last sum.
std::int16_t deltaDecode(std::int16_t* frames, std::int32_t length) {
    std::uint16_t sum = 0;
    for (std::int32_t k = 0; k < length; ++k) {
        sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>(frames[k]));
        frames[k] = static_cast<std::int16_t>(sum);
    }
    return static_cast<std::int16_t>(sum);
}

// Reads and decodes the sample's frames from the file. Bytes the file lacks
// read as zero, so past its end every decoded frame repeats the last sum:
// those frames are filled, not decoded (a short file may claim megabytes).
void readFrames(XmFileReader& reader, XmSample& sample, std::int32_t byteCount) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(sample.data);
    std::int32_t stored = reader.readAvailable(bytes, byteCount);
    if (sample.bits == 16 && stored % 2 != 0) bytes[stored++] = 0;  // a frame cut in half
    stored /= sample.bits / 8;
    if (sample.bits == 8) widenEightBit(sample.data, stored);
    const std::int16_t last = deltaDecode(sample.data, stored);
    std::fill(sample.data + stored, sample.data + sample.length, last);
}

// The frame after the loop end, which the mixer's interpolation reads.
void setGuardFrame(XmSample& sample) {
    const std::int32_t end = sample.loopStart + sample.loopLength;
    sample.data[end] = sample.loopType == 4 ? sample.data[end - 1] : sample.data[sample.loopStart];
}

}  // namespace

bool readSampleHeader(XmFileReader& reader, XmSample& sample, SampleBudget& budget) {
    std::uint8_t bytes[40];
    reader.read(bytes, 40);
    SampleHeader header{littleU32(bytes), littleU32(bytes + 4), littleU32(bytes + 8), bytes[14]};
    sample.volume = bytes[12];  // as stored: the voice volume is held to 0..127 where it is set
    sample.finetune = static_cast<std::int8_t>(bytes[13]);
    sample.loopType = loopTypeOf(header.type);
    sample.bits = (header.type & 0x10) ? 16 : 8;
    sample.panning = bytes[15];
    sample.relativeNote = static_cast<std::int8_t>(bytes[16]);
    convertLoop(header, sample);
    budget.bytes += 2 * header.length;
    if (budget.bytes > kSampleBudgetBytes) return false;
    sample.length = static_cast<std::int32_t>(header.length);
    sample.loopStart = static_cast<std::int32_t>(header.loopStart);
    sample.loopLength = static_cast<std::int32_t>(header.loopLength);
    return true;
}

bool readSampleData(XmFileReader& reader, XmSample& sample, XmSampleDecoder decoder, int instrument, int index) {
    if (sample.length == 0) return true;
    // Eight spare frames: the guard frame and the interpolation's overshoot.
    const std::size_t frames = static_cast<std::size_t>(sample.length) + 8;
    sample.data = new (std::nothrow) std::int16_t[frames];
    if (!sample.data) return false;
    // A decoder may fill less than it is given; the file's frames are all written.
    std::fill(decoder ? sample.data : sample.data + sample.length, sample.data + frames, std::int16_t{0});
    const std::int32_t byteCount = sample.length * sample.bits / 8;
    if (decoder) {
        decoder(sample.data, byteCount, sample.bits, instrument, index);
        reader.skip(byteCount);
        if (sample.bits == 8) widenEightBit(sample.data, sample.length);
    } else {
        readFrames(reader, sample, byteCount);
    }
    sample.bits = 16;
    setGuardFrame(sample);
    return true;
}
