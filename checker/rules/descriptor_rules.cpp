// MC1xx: autorun.inf, and whether the loader can read its three values.
#include "groups.h"

namespace {

enum class Encoding { Ansi, Utf8Mark, Utf16LittleEndian, Utf16BigEndian };

Encoding EncodingOf(const std::string &bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return Encoding::Utf8Mark;
    }
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        return Encoding::Utf16LittleEndian;
    }
    return bytes.compare(0, 2, "\xFE\xFF") == 0 ? Encoding::Utf16BigEndian : Encoding::Ansi;
}

// The first line holding a character outside ASCII, counted from 1; 0 when there is none. A mark
// is no character of the text, and UTF-16 is looked at a code unit at a time.
int FirstNonAsciiLine(const std::string &bytes, Encoding encoding) {
    const size_t markSize[] = {0, 3, 2, 2};
    const size_t width = encoding == Encoding::Ansi || encoding == Encoding::Utf8Mark ? 1 : 2;
    const size_t high = encoding == Encoding::Utf16BigEndian ? 0 : width - 1;
    int line = 1;
    for (size_t at = markSize[static_cast<int>(encoding)]; at + width <= bytes.size();
         at += width) {
        unsigned int unit = static_cast<unsigned char>(bytes[at + (width - 1 - high)]);
        unit |= width == 2
                    ? static_cast<unsigned int>(static_cast<unsigned char>(bytes[at + high])) << 8
                    : 0;
        if (unit >= 0x80) {
            return line;
        }
        line += unit == '\n' ? 1 : 0;
    }
    return 0;
}

} // namespace

void CheckDescriptor(const Observation &observation, const Prediction &prediction, Findings *out) {
    const DescriptorFile &descriptor = observation.descriptor;
    const Subject medium = OnMedium(observation.medium);
    const Encoding encoding = EncodingOf(descriptor.bytes);
    const Subject file = OnDescriptor(0);
    if (int line = FirstNonAsciiLine(descriptor.bytes, encoding)) {
        Add(out, "MC105", OnDescriptor(line));
    }
    // A mark that Windows reads as plain bytes, hiding what Wine finds: the loader does nothing on
    // Windows whatever this machine's reader made of it.
    const bool hidden =
        descriptor.marked && descriptor.marked->asWine && !descriptor.marked->asWindows;
    if (hidden) {
        Add(out, encoding == Encoding::Utf8Mark ? "MC107" : "MC108", file);
    }
    if (encoding == Encoding::Utf16LittleEndian) {
        Add(out, "MC109", file);
    }
    switch (prediction.decision.cause) {
    case Cause::DescriptorPathTooLong:
        Add(out, "MC106", medium);
        return;
    case Cause::NoDescriptor:
        Add(out, "MC101", medium);
        return;
    case Cause::NoSection:
        if (!hidden) {
            Add(out, "MC102", file);
        }
        return;
    case Cause::MissingValue:
        Add(out, "MC103", OnDescriptorKey(prediction.decision.missingKey),
            {kDescriptorKeys[prediction.decision.missingKey]});
        return;
    case Cause::NotRead:
    case Cause::Ordered:
        break;
    }
    for (int i = 0; i < 3; ++i) {
        const std::string read = DescriptorValue(descriptor.values, i);
        if (descriptor.wholeValues[i].size() > read.size()) {
            Add(out, "MC104", OnDescriptorKey(i),
                {kDescriptorKeys[i], std::to_string(descriptor.wholeValues[i].size()),
                 std::to_string(read.size()), read});
        }
    }
}
