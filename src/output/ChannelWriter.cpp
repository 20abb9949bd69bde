#include "output/ChannelWriter.h"

#include "output/Flip.h"
#include "output/TiffLayout.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/OutputFile.h"
#include "platform/SystemError.h"
#include "platform/ProgressObserver.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
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

// The writer's failure as the user reads it: the file's name, then the file layer's text, which
// names the file again; a path longer than the system takes, in the system's own words.
[[noreturn]] void throwAsUserException(const FileError& failure) {
    if (isNameTooLong(failure.osError)) throw UserException(failure.fileName, failure.osError);
    throw UserException(failure.fileName + " : " + limitedText(failure));
}

}  // namespace

void ChannelWriter::checkOutput(const std::string& outputPath) {
    try {
        checkOutputDestination(outputPath);
    } catch (const FileError& failure) {
        throwAsUserException(failure);
    }
}

namespace {

// How many bytes the channel's buffer says it holds, whichever of its arrays carries the
// pixels; 0 when its count was never set.
std::uint64_t bytesHeld(const ChannelBuffer& buffer) {
    if (buffer.samples.data != nullptr) return 2 * std::uint64_t{buffer.samples.count};
    if (buffer.values.data != nullptr) return 4 * std::uint64_t{buffer.values.count};
    return 0;
}

// Hands bands to the file on a thread of its own, so that writing one band and flipping the next
// overlap: the system's copy into its file cache and the flip take about as long each. One band
// is in the worker's hands at a time; a failure to write it is kept and thrown again on the
// calling thread at its next band or at the end. Where no thread can be had, or when there is
// only one band, the calling thread writes. The calling thread tells the observer meanwhile that
// the work goes on: whenever a report is due the worker waits, after its piece, until the calling
// thread has made it, so that however slow the disk the reports keep their interval. When a stop
// is thrown there, the worker leaves its band within a piece.
class BandWriter {
public:
    BandWriter(OutputFile& file, bool threaded, ProgressObserver* progress)
        : file_(file), progress_(progress), waitsForReports_(progress != nullptr && progress->reportsHere()) {
        if (!threaded) return;
        try {
            worker_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // Written on this thread instead.
        }
    }
    ~BandWriter() {
        if (!worker_.joinable()) return;
        abandoned_ = true;  // the band under way, if any, is not needed any more
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    BandWriter(const BandWriter&) = delete;
    BandWriter& operator=(const BandWriter&) = delete;

    // Returns once the band before this one is written; the bytes must stay as they are until
    // the next call of write or finish returns.
    void write(const void* bytes, std::size_t count) {
        if (!worker_.joinable()) {
            file_.write(bytes, count);
            return;
        }
        std::unique_lock lock(mutex_);
        waitUntilIdle(lock);
        band_ = bytes;
        count_ = count;
        lock.unlock();
        changed_.notify_all();
    }
    // Returns once every band is written.
    void finish() {
        if (!worker_.joinable()) return;
        std::unique_lock lock(mutex_);
        waitUntilIdle(lock);
    }

private:
    void waitUntilIdle(std::unique_lock<std::mutex>& lock) {
        const auto step = progress_ ? progress_->interval() : ProgressObserver::defaultInterval;
        for (;;) {
            const bool woken = changed_.wait_for(lock, step, [&] { return band_ == nullptr || reportWanted_; });
            if (woken && band_ == nullptr) break;
            lock.unlock();  // the report may take a while, and may throw
            try {
                stillWorking(progress_);
            } catch (...) {
                abandoned_ = true;  // the worker goes on only to leave its band
                lock.lock();
                reportWanted_ = false;
                changed_.notify_all();
                throw;
            }
            lock.lock();
            reportWanted_ = false;
            changed_.notify_all();
        }
        if (failure_) std::rethrow_exception(failure_);
    }

    // A piece at a time, so that a band that is no longer needed is left soon, a slow disk too.
    void writeBand(const void* bytes, std::size_t count) {
        const auto* next = static_cast<const std::uint8_t*>(bytes);
        for (std::size_t done = 0; done < count && !abandoned_;) {
            const std::size_t piece = std::min(file_.pieceBytes(), count - done);
            file_.write(next + done, piece);
            done += piece;
            if (waitsForReports_ && done < count && progress_->due()) waitForReport();
        }
    }

    void waitForReport() {
        std::unique_lock lock(mutex_);
        reportWanted_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !reportWanted_ || abandoned_ || stopping_; });
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return band_ != nullptr || stopping_; });
            if (band_ == nullptr) return;
            const void* bytes = band_;
            const std::size_t count = count_;
            lock.unlock();
            std::exception_ptr failure;
            try {
                writeBand(bytes, count);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failure_ = failure;
            band_ = nullptr;
            changed_.notify_all();
        }
    }

    OutputFile& file_;
    ProgressObserver* progress_;
    const bool waitsForReports_;  // this thread reports, so the worker can wait for it
    std::atomic<bool> abandoned_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    const void* band_ = nullptr;
    std::size_t count_ = 0;
    bool stopping_ = false;
    bool reportWanted_ = false;  // the worker waits for a report that is due
    std::exception_ptr failure_;
    std::thread worker_;  // last, so that it starts with everything above in place
};

// Makes `bands` pieces of a file one after another, into the two buffers by turns, and writes
// each, on the band writer's thread while the next is made when `overlapped`. `make(i, buffer)`
// returns the bytes it made, 0 when the input failed under it.
template <class Make>
bool writeBands(OutputFile& file, std::uint64_t bands, bool overlapped, ProgressObserver* progress,
                void* const buffers[2], Make&& make) {
    BandWriter writer(file, overlapped && bands > 1, progress);
    for (std::uint64_t i = 0; i < bands; ++i) {
        // Where making a band takes longer than writing the one before (a flip to a fast disk),
        // the writer never has to be waited for, and only this thread can report.
        stillWorking(progress);
        void* buffer = buffers[i % 2];
        const std::size_t bytes = make(i, buffer);
        if (bytes == 0) return false;
        writer.write(buffer, bytes);
    }
    writer.finish();
    return true;
}

}  // namespace

// Each band is flipped on this thread, its reads of the mapped input under guard (a fault there
// must come back here, where the guard was set), and written meanwhile by the band writer.
bool ChannelWriter::writeFlippedSamples(OutputFile& file, const void* pixels) {
    const PendingFlip& flip = *pendingFlip_;
    const FlipBandPlan plan = planFlipBands(flip.sourceWidth, flip.sourceHeight, flip.bandBytes);
    const auto* source = static_cast<const std::uint16_t*>(pixels);
    const Diagonal diagonal = flip.mainDiagonal ? Diagonal::main : Diagonal::opposite;
    // Every band reads a strip of every source row: the whole channel is mapped in first, a piece
    // at a time, as reading it from a share takes a while.
    constexpr std::uint64_t prefetchPiece = std::uint64_t{16} << 20;
    const std::uint64_t channelBytes = 2 * std::uint64_t{flip.sourceWidth} * flip.sourceHeight;
    for (std::uint64_t done = 0; done < channelBytes; done += prefetchPiece) {
        scan_.inputFile().prefetch(static_cast<const std::uint8_t*>(pixels) + done,
                                   std::min(prefetchPiece, channelBytes - done));
        stillWorking(progress_);
    }
    void* const buffers[2] = {flipBands_[0].get(), flipBands_[1].get()};
    return writeBands(file, plan.bandCount, true, progress_, buffers, [&](std::uint64_t i, void* buffer) -> std::size_t {
        const FlipBand band = plan.band(i);
        auto* samples = static_cast<std::uint16_t*>(buffer);
        if (!scan_.inputFile().readGuarded([&] { flipBand(samples, source, flip.sourceWidth, flip.sourceHeight, diagonal, band); },
                                inputError_))
            return 0;
        return 2 * std::size_t{band.rows} * band.columns;
    });
}

// The samples are read from the input file, not through the mapping, into one small buffer that
// is then written: two copies, both through the processor's cache, and nothing that depends on
// how fast a large mapping faults in. Writing on the band writer's thread meanwhile gained
// nothing measurable, so it is all done here.
bool ChannelWriter::copyFromInput(OutputFile& file, std::uint64_t offset, std::uint64_t count) {
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, copyPieceBytes));
    const std::uint64_t pieces = (count + piece - 1) / piece;
    const auto owned = std::make_unique_for_overwrite<std::uint8_t[]>(piece);
    void* const buffers[2] = {owned.get(), owned.get()};
    return writeBands(file, pieces, false, progress_, buffers, [&](std::uint64_t i, void* buffer) -> std::size_t {
        const std::uint64_t from = i * piece;
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(piece, count - from));
        std::size_t got = 0;
        while (got < wanted) {
            std::size_t more = 0;
            // An input that ends early (error 0) or cannot be read fails the piece.
            inputError_ = scan_.inputFile().readAt(offset + from + got, static_cast<std::uint8_t*>(buffer) + got, wanted - got, more);
            if (inputError_ != 0 || more == 0) return 0;
            got += more;
        }
        return got;
    });
}

ChannelWriter::ChannelWriter(ScanImage& scan, ProgressObserver* progress) : scan_(scan), progress_(progress) {}

ChannelWriter::~ChannelWriter() { abandonFiles(); }

bool ChannelWriter::holdsFile(int channel) const { return files_[channel] != nullptr; }

void ChannelWriter::abandonFiles() noexcept {
    for (auto& file : files_) {
        if (file) file->abandon();
        file.reset();
    }
}

void ChannelWriter::writeChannel(const std::string& outputPath, int channel) {
    writeChannelToCommit(outputPath, channel);
    OutputFile& file = *files_[channel];
    try {
        file.commit();
    } catch (const FileError& failure) {
        file.abandon();
        throwAsUserException(failure);
    }
    files_[channel].reset();
}

void ChannelWriter::commitChannelFiles(std::vector<std::string>& changed) {
    if (!files_[0] || !files_[1]) throw std::logic_error("commitChannelFiles: both channels must be written first");
    try {
        commitTogether(*files_[0], *files_[1], changed);
    } catch (const FileError& failure) {
        for (auto& file : files_) file->abandon();
        throwAsUserException(failure);
    }
    for (auto& file : files_) file.reset();
}

void ChannelWriter::writeChannelToCommit(const std::string& outputPath, int channel) {
    if (channel < 0 || channel > 1) throw std::invalid_argument("writeChannelToCommit: the channel must be 0 or 1");

    // Never read samples that are not there: a channel the scan does not hold, or one shorter
    // than the image, is refused before any file is made.
    const ScanImage& scan = scan_;
    const ChannelBuffer& buffer = scan.channels[channel];
    const void* pixels = buffer.pixels();
    const std::uint64_t needed = 2 * std::uint64_t{scan.width > 0 ? static_cast<std::uint32_t>(scan.width) : 0u} *
                                 (scan.height > 0 ? static_cast<std::uint32_t>(scan.height) : 0u);
    if (pixels == nullptr || needed == 0) throw UserException(outputPath + " : This scan holds no image data for this channel");
    // A count that was set must cover the image; a buffer whose count was never set is taken
    // to hold the image, as a channel always does.
    const std::uint64_t held = bytesHeld(buffer);
    if (held != 0 && held < needed) throw UserException(outputPath + " : This channel holds fewer samples than its image needs");

    ChannelFileFields fields;
    fields.width = static_cast<std::uint32_t>(scan.width);
    fields.height = static_cast<std::uint32_t>(scan.height);
    fields.description = scan.description;
    fields.make = scan.make;
    fields.model = scan.model;
    fields.software = scan.software;
    fields.dateTime = scan.dateTime;
    fields.artist = scan.artist;
    fields.hostComputer = scan.hostComputer;
    fields.pageName = scan.scannerRecord.channelName(channel);
    fields.pageOfMany = scan.scannerRecord.channelCount != 0;
    // After a flip the rows run down the input's columns, so each axis takes the other's size.
    const ScannerRecord& record = scan.scannerRecord;
    fields.pixelSizeX = scan.axesExchanged ? record.pixelSizeY : record.pixelSizeX;
    fields.pixelSizeY = scan.axesExchanged ? record.pixelSizeX : record.pixelSizeY;
    const std::optional<ChannelFileLayout> layout = layOutChannelFile(fields);
    if (!layout) throw UserException(outputPath + " : This image is too large to be written as a tiff file");

    std::unique_ptr<OutputFile>& file = files_[channel];
    file.reset();
    const bool fromInput = scan.inputFile().holds(pixels, layout->pixelBytes);
    try {
        file = std::make_unique<OutputFile>(outputPath);
        file->reportProgressTo(progress_);
        file->seekToStart();
        file->write(layout->header.data(), layout->header.size());
        file->write(layout->directory.data(), layout->directory.size());
        file->write(layout->valueArea.data(), layout->valueArea.size());
        bool complete = true;
        if (pendingFlip_) {
            complete = writeFlippedSamples(*file, pixels);
        } else if (fromInput) {
            // Samples still in the input file are read from the file itself.
            const auto offset = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(pixels) - scan.view());
            complete = copyFromInput(*file, offset, layout->pixelBytes);
        } else {
            // Straight from the channel's buffer: bytes, at whatever address the samples start.
            file->write(pixels, static_cast<std::size_t>(layout->pixelBytes));
        }
        // The input failed under its samples: cut short by another program, or unreadable.
        if (!complete) {
            file->abandon();
            scan.failInputRead(inputError_);
        }
    } catch (const FileError& failure) {
        // The object stays in its slot until close(); what it wrote goes now, so an existing
        // output is left as it was and no partial file remains.
        if (file) file->abandon();
        // Pixels read from a file that another program has cut short meanwhile fail the write;
        // the input is what went wrong, not the output.
        if (fromInput && scan.inputCutShort()) scan.refuseChangedInput();
        throwAsUserException(failure);
    }
}

void ChannelWriter::flipWhenWritten(bool mainDiagonal) {
    if (pendingFlip_) throw std::logic_error("flipWhenWritten: the channels are already to be flipped");
    const auto w = static_cast<std::uint32_t>(std::max(scan_.width, 0));
    const auto h = static_cast<std::uint32_t>(std::max(scan_.height, 0));
    const FlipBandPlan plan = planFlipBands(w, h, flipBandBytes);
    // Two buffers when there is more than one band: one is filled while the other is written.
    for (std::uint64_t i = 0; i < 2; ++i)
        flipBands_[i] = i < plan.bandCount ? std::make_unique_for_overwrite<std::uint16_t[]>(plan.largestBandSamples()) : nullptr;
    pendingFlip_ = PendingFlip{mainDiagonal, w, h, flipBandBytes};
    scan_.exchangeAxes();
}

}  // namespace quillane
