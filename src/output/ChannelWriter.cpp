#include "output/TiffLayout.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/OutputFile.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillane {

namespace {

// The file layer's message keeps within the original fixed-size message buffer.
constexpr std::size_t longestFileText = 255;

// `name` within `room` bytes: its start and its end, "..." between them, cut only where a
// character begins (a double-byte character of the code page, a UTF-8 sequence).
std::string shortenedInTheMiddle(const std::string& name, std::size_t room) {
    std::vector<bool> starts(name.size() + 1, false);
    for (std::size_t i = 0; i < name.size(); i += isLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1)
        starts[i] = (static_cast<unsigned char>(name[i]) & 0xC0) != 0x80;
    starts[name.size()] = true;
    std::size_t head = (room - 3) / 2;
    std::size_t tail = name.size() - (room - 3 - head);
    while (head > 0 && !starts[head]) --head;
    while (!starts[tail]) ++tail;
    return name.substr(0, head) + "..." + name.substr(tail);
}

// The file layer's text within that limit. The reason stands after the file name, so a name
// too long for the limit is shortened in its middle rather than the text cut at its end; the
// message names the file in full before the text in any case.
std::string limitedText(const FileError& failure) {
    std::string text = failure.text();
    if (text.size() <= longestFileText) return text;
    const std::size_t others = text.size() - failure.fileName.size();
    if (!failure.fileName.empty() && others + 16 <= longestFileText)
        text = FileError(failure.cause, failure.osError, shortenedInTheMiddle(failure.fileName, longestFileText - others))
                   .text();
    if (text.size() > longestFileText) text.resize(longestFileText);
    return text;
}

// The colour the scanner recorded for the channel names the page; an index it cannot have
// falls back to the channel's own name.
const char* pageNameFor(const ScannerRecord& record, int channel) {
    const std::int32_t colour = record.channelColour[channel];
    return channelNames[colour >= 0 && colour < 4 ? colour : channel];
}

// How many bytes the channel's buffer says it holds, whichever of its arrays carries the
// pixels; 0 when its count was never set.
std::uint64_t bytesHeld(const ChannelBuffer& buffer) {
    if (buffer.samples.data != nullptr) return 2 * std::uint64_t{buffer.samples.count};
    if (buffer.values.data != nullptr) return 4 * std::uint64_t{buffer.values.count};
    return 0;
}

}  // namespace

void ScanImage::writeChannel(const std::string& outputPath, int channel) {
    if (channel < 0 || channel > 1) throw std::invalid_argument("writeChannel: the channel must be 0 or 1");

    // Never read samples that are not there: a channel the scan does not hold, or one shorter
    // than the image, is refused before any file is made.
    const ChannelBuffer& buffer = channels[channel];
    const void* pixels = buffer.pixels();
    const std::uint64_t needed = 2 * std::uint64_t{width > 0 ? static_cast<std::uint32_t>(width) : 0u} *
                                 (height > 0 ? static_cast<std::uint32_t>(height) : 0u);
    if (pixels == nullptr || needed == 0) throw UserException(outputPath + " : This scan holds no image data for this channel");
    // A count that was set must cover the image; a buffer whose count was never set is taken
    // to hold the image, as a channel always does.
    const std::uint64_t held = bytesHeld(buffer);
    if (held != 0 && held < needed) throw UserException(outputPath + " : This channel holds fewer samples than its image needs");

    ChannelFileFields fields;
    fields.width = static_cast<std::uint32_t>(width);
    fields.height = static_cast<std::uint32_t>(height);
    fields.description = description;
    fields.make = make;
    fields.model = model;
    fields.software = software;
    fields.dateTime = dateTime;
    fields.artist = artist;
    fields.hostComputer = hostComputer;
    fields.pageName = pageNameFor(scannerRecord, channel);
    fields.pageOfMany = scannerRecord.channelCount != 0;
    // After a flip the rows run down the input's columns, so each axis takes the other's size.
    fields.pixelSizeX = axesExchanged ? scannerRecord.pixelSizeY : scannerRecord.pixelSizeX;
    fields.pixelSizeY = axesExchanged ? scannerRecord.pixelSizeX : scannerRecord.pixelSizeY;
    const std::optional<ChannelFileLayout> layout = layOutChannelFile(fields);
    if (!layout) throw UserException(outputPath + " : This image is too large to be written as a tiff file");

    std::unique_ptr<OutputFile>& file = outputFiles[channel];
    file.reset();
    const bool fromInput = input_.holds(pixels, layout->pixelBytes);
    try {
        file = std::make_unique<OutputFile>(outputPath);
        file->seekToStart();
        file->write(layout->header.data(), layout->header.size());
        file->write(layout->directory.data(), layout->directory.size());
        file->write(layout->valueArea.data(), layout->valueArea.size());
        // Straight from the channel's buffer: bytes, at whatever address the samples start.
        // Samples still inside the mapped input are mapped in first, in one go.
        input_.prefetch(pixels, layout->pixelBytes);
        file->write(pixels, static_cast<std::size_t>(layout->pixelBytes));
        file->commit();
        file.reset();
    } catch (const FileError& failure) {
        // The object stays in its slot until close(); what it wrote goes now, so an existing
        // output is left as it was and no partial file remains.
        if (file) file->abandon();
        // Pixels read from a file that another program has cut short meanwhile fail the write;
        // the input is what went wrong, not the output.
        if (fromInput && inputCutShort()) refuseChangedInput();
        throw UserException(failure.fileName + " : " + limitedText(failure));
    }
}

}  // namespace quillane
