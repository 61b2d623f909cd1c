#include "marks/marks_store.h"

#include "marks/marks_file.h"
#include "files/whole_file.h"

#include <system_error>

namespace vireo {

std::filesystem::path marksFileFor(const std::filesystem::path& recording) {
    std::error_code error;
    if (recording.empty() || std::filesystem::is_directory(recording, error))
        return recording / kMarksFileName;
    // A video's marks live beside it: run7.mp4.vireo-marks.csv.
    std::filesystem::path beside = recording;
    beside += "." + std::string(kMarksFileName);
    return beside;
}

MarksStore::MarksStore(std::filesystem::path file)
    : file_(std::move(file)) {}

MarksStore MarksStore::forRecording(const std::filesystem::path& recording) {
    MarksStore store(marksFileFor(recording));
    std::error_code error;
    // A link that leads nowhere is no file yet: a save creates the file it names.
    if (std::filesystem::status(store.file_, error).type() != std::filesystem::file_type::not_found)
        store.read();
    return store;
}

MarksStore MarksStore::fromFile(const std::filesystem::path& file) {
    MarksStore store(file);
    store.read();
    return store;
}

void MarksStore::read() {
    found_ = true;
    Expected<Marks> read = readMarksFile(file_);
    if (read)
        marks_ = std::move(*read);
    else
        unreadable_ = read.error();
}

Expected<void> MarksStore::save(const Marks& marks) {
    if (unreadable_)
        return *unreadable_;
    const Expected<void> saved = writeMarksFile(file_, marks);
    inMemoryOnly_ = !saved;
    if (saved)
        tidyAfterWrite();
    return saved;
}

void MarksStore::tidyAfterWrite() {
    if (!tidied_)
        removeStaleTemporaries(file_);
    tidied_ = true;
}

Expected<void> MarksStore::saveAs(const std::filesystem::path& file, const Marks& marks) {
    if (const Expected<void> saved = writeMarksFile(file, marks); !saved)
        return saved;
    file_ = file;
    found_ = true;
    unreadable_.reset();
    inMemoryOnly_ = false;
    tidied_ = false;
    tidyAfterWrite();
    return {};
}

} // namespace vireo
