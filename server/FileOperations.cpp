#include "FileOperations.h"

#include "Merge3.h"

#include <vss/VssInterfaces.h>

#include <ctime>
#include <system_error>

namespace vss::server {

namespace {

constexpr std::int64_t kMergeLimit = 64 << 20;
constexpr std::size_t kMaxComment = 16 << 20;

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

void checkComment(const std::string& comment) {
    if (comment.size() > kMaxComment)
        throw invalidArgument("The comment is too long (" + std::to_string(comment.size()) +
                              " bytes; at most 16 MiB).");
}

std::string readLocal(const std::string& path) {
    LocalFile::Reader reader(path);
    if (reader.size() > kMergeLimit)
        throw VssError("The file " + quote(path) + " is too large for a text merge.");
    std::string text(static_cast<std::size_t>(reader.size()), '\0');
    text.resize(reader.read(text.data(), text.size()));
    return text;
}

} // namespace

void FileOperations::requireFile(const char* operation) {
    if (item_.isProject())
        throw VssError(quote(item_.spec) + " is a project; only files can be " + operation + ".");
}

void FileOperations::requireNotDeleted() {
    if (s_.items.isDeleted(item_))
        throw VssError(quote(item_.spec) + " is deleted.");
}

void FileOperations::requireCheckoutByMe(Checkout& out) {
    auto co = s_.workspace.checkout(item_.id);
    if (!co)
        throw VssError(quote(item_.spec) + " is not checked out.");
    if (co->userId != s_.user().id)
        throw VssError(quote(item_.spec) + " is checked out by " + co->user + ", not by you.");
    out = *co;
}

std::string FileOperations::fileLocalPath(const std::string& given, bool required,
                                          std::optional<LocalFile::Status>* found) {
    if (!given.empty()) {
        std::string path = LocalFile::normalizedText(given);
        const LocalFile::Status status = LocalFile::status(path);
        if (status.kind == LocalFile::Kind::Folder) {
            // A folder in the file's own place is not where the file goes.
            if (path == s_.localSpec(item_))
                throw VssError("Cannot write " + quote(path) + ": a folder has the name of " +
                               item_.spec + ".");
            return Session::localChild(path, item_.name);
        }
        if (found)
            *found = status;
        return path;
    }
    std::string path = s_.localSpec(item_);
    if (path.empty() && required)
        throw VssError("No working folder is set for " + quote(item_.spec) +
                       " or any project above it; set one or give a local path.");
    return path;
}

std::string FileOperations::readVersion(std::int32_t number) {
    requireFile("read");
    std::string content;
    s_.store.read([&] {
        content.clear();
        VersionRow row;
        if (number == 0) {
            row = s_.items.latestContent(item_.id);
        } else {
            auto found = number <= s_.items.latestVersion(item_.id)
                             ? s_.items.contentAt(item_.id, number)
                             : std::nullopt;
            if (!found)
                throw VssError(quote(item_.spec) + " has no version " + std::to_string(number) +
                               ".");
            row = *found;
        }
        s_.contents.read(row.contentId, [&](const char* data, std::size_t size) {
            if (content.size() + size > static_cast<std::size_t>(kMergeLimit))
                throw VssError("Version " + std::to_string(row.number) + " of " +
                               quote(item_.spec) + " is too large to be read at once.");
            content.append(data, size);
        });
    });
    return content;
}

void FileOperations::get(std::string& local, std::int32_t flags) {
    // A get changes nothing in the permanent record: it reads it, writes local files and
    // records them in the local-copy cache, which is written in batches.
    if (!item_.isProject()) {
        if (!local.empty() && getAsLooked(local, flags))
            return;
        std::optional<LocalFile::Status> status;
        const std::string path = fileLocalPath(local, true, &status);
        s_.temporaries.sweepFor(path);
        s_.store.read([&] { getFile(item_, path, flags, false, status); });
        s_.localCopies.flushIfFull();
        local = path;
        return;
    }
    const std::string folder =
        local.empty() ? s_.projectFolder(item_.id) : LocalFile::normalizedText(local);
    if (folder.empty())
        throw VssError("No working folder is set for " + quote(item_.spec) +
                       " or any project above it; set one or give a local folder.");
    std::vector<std::string> problems;
    s_.store.read([&] {
        problems.clear();
        getProject(item_, folder, flags, problems);
    });
    s_.localCopies.flushIfFull();
    local = folder;
    if (!problems.empty()) {
        std::string message = "Some files of " + quote(item_.spec) + " could not be fetched: ";
        for (std::size_t i = 0; i < problems.size(); ++i)
            message += (i ? "; " : "") + problems[i];
        throw VssError(message);
    }
}

void FileOperations::getProject(const ItemRef& project, const std::string& folder,
                                std::int32_t flags, std::vector<std::string>& problems) {
    // A link would take the files somewhere outside the working folder.
    if (LocalFile::kind(folder) == LocalFile::Kind::Link && project.id != item_.id) {
        problems.push_back(quote(folder) + " is a symbolic link, not a folder; " + project.spec +
                           " was not fetched into it");
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        problems.push_back("cannot create the folder " + quote(folder) + ": " + ec.message());
        return;
    }
    LocalFile::removeStaleTemporaries(folder);
    const bool recursive = (flags & kMaskRecursive) == FlagRecursiveYes;
    for (const ItemRef& child : s_.items.children(project, false)) {
        std::string path;
        try {
            path = Session::localChild(folder, child.name);
        } catch (const VssError& e) {
            problems.push_back(e.what());
            continue;
        }
        if (child.isProject()) {
            if (recursive)
                getProject(child, path, flags, problems);
            continue;
        }
        const std::int32_t replace = flags & kMaskReplace;
        // A file the user has checked out holds work in progress: a project get leaves it.
        if (replace != FlagReplace && replace != FlagMerge && checkedOutByMe(child))
            continue;
        try {
            getFile(child, path, flags, false);
        } catch (const BusyError&) {
            throw;
        } catch (const VssError& e) {
            problems.push_back(e.what());
        }
    }
}

FileOperations::Outcome FileOperations::getFile(const ItemRef& file, const std::string& path,
                                                std::int32_t flags, bool forCheckout,
                                                const std::optional<LocalFile::Status>& known) {
    const VersionRow latest = s_.items.latestContentBrief(file.id);
    const bool readOnly = !forCheckout && (flags & kMaskReadOnly) != FlagWritable;
    const LocalFile::Status local = known ? *known : LocalFile::status(path);
    if (local.kind == LocalFile::Kind::Plain) {
        if (matches(file, latest, path, local, flags, Trust::Record)) {
            if (forCheckout)
                s_.setLocalReadOnly(path, false);
            record(file, latest.number, path, local);
            return Outcome::Unchanged;
        }
        if (local.writable || (!forCheckout && checkedOutByMe(file))) {
            switch (flags & kMaskReplace) {
            case FlagReplace:
                break;
            case FlagSkip:
                return Outcome::Skipped;
            case FlagMerge:
                merge(file, latest, path);
                return Outcome::Merged;
            default:
                throw VssError("A writable copy of " + quote(path) +
                               " differs from the latest version of " + file.spec +
                               "; it was left alone (choose replace, skip or merge).");
            }
        }
    }
    writeVersion(file, latest, path, flags, readOnly, &local);
    return Outcome::Written;
}

bool FileOperations::getAsLooked(std::string& local, std::int32_t flags) {
    const std::string path = LocalFile::normalizedText(local);
    const auto looked = s_.lookedAhead(path);
    if (!looked ||
        (looked->kind != LocalFile::Kind::Plain && looked->kind != LocalFile::Kind::Missing))
        return false;
    bool done = false;
    s_.temporaries.sweepFor(path);
    s_.store.read([&] {
        if (looked->kind == LocalFile::Kind::Plain) {
            done = currentAsLooked(item_, path, flags, *looked);
            return;
        }
        // A file that appeared since the look is not written over: the get looks again.
        try {
            getFile(item_, path, flags, false, looked);
            done = true;
        } catch (const LocalFile::Appeared&) {
            done = false;
        }
    });
    if (!done)
        return false;
    s_.localCopies.flushIfFull();
    local = path;
    return true;
}

bool FileOperations::currentAsLooked(const ItemRef& file, const std::string& path,
                                     std::int32_t flags, const LocalFile::Status& looked) {
    const VersionRow latest = s_.items.latestContentBrief(file.id);
    if (recordVerdict(file, latest, path, looked, flags) != true)
        return false;
    record(file, latest.number, path, looked);
    return true;
}

LocalFile::WriteOptions FileOperations::copyOptions(const VersionRow& version, std::int32_t flags,
                                                    bool readOnly) {
    LocalFile::WriteOptions options;
    options.readOnly = readOnly;
    options.rebuildable = readOnly;
    switch (flags & kMaskTime) {
    case FlagTimeModification:
        if (version.modificationTime > 0)
            options.modificationTime = version.modificationTime;
        break;
    case FlagTimeCheckIn:
        options.modificationTime = version.date;
        break;
    default:
        break;
    }
    return options;
}

void FileOperations::writeVersion(const ItemRef& file, const VersionRow& version,
                                  const std::string& path, std::int32_t flags, bool readOnly,
                                  const LocalFile::Status* known) {
    LocalFile::WriteOptions options = copyOptions(version, flags, readOnly);
    options.known = known;
    std::optional<LocalFile::Status> placed;
    if (CopyAhead* ahead = s_.copyAhead();
        ahead && known &&
        (known->kind == LocalFile::Kind::Missing || known->kind == LocalFile::Kind::Plain))
        if (auto copy = ahead->take(s_, file.spec,
                                    {path, version.contentId, readOnly, options.modificationTime}))
            placed = LocalFile::placeAhead(
                *copy, path, options, *known,
                [ahead](const std::filesystem::path& old) { ahead->removeLater(old); });
    const LocalFile::Status written =
        placed
            ? *placed
            : LocalFile::writeAtomically(
                  path,
                  [&](const LocalFile::Sink& sink) {
                      s_.contents.readVersion(version.contentId, file.spec, version.number, sink);
                  },
                  options);
    s_.localChanged(path);
    if (!s_.store.readOnly())
        s_.localCopies.recordWritten(s_.user().id, path, recordOf(file, version.number, written));
}

void FileOperations::merge(const ItemRef& file, const VersionRow& latest, const std::string& path) {
    if (s_.items.binary(file.id))
        throw VssError(quote(file.spec) + " is a binary file and cannot be merged; " + quote(path) +
                       " was left unchanged.");
    std::int32_t base = 0;
    if (auto copy = s_.localCopies.find(s_.user().id, path); copy && copy->itemId == file.id)
        base = copy->version;
    else if (auto co = s_.workspace.checkout(file.id); co && co->userId == s_.user().id)
        base = co->version;
    if (base == 0)
        throw VssError("Cannot merge into " + quote(path) + ": it is not known which version of " +
                       file.spec + " it came from.");
    if (base == latest.number)
        return; // the local copy already builds on the latest version
    const auto baseRow = s_.items.version(file.id, base);
    if (!baseRow || baseRow->contentId == 0)
        throw VssError("Cannot merge into " + quote(path) + ": version " + std::to_string(base) +
                       " of " + file.spec + " is missing.");
    const Merge3::Result merged = Merge3::merge(
        s_.contents.readAll(baseRow->contentId, file.spec, base, kMergeLimit), readLocal(path),
        s_.contents.readAll(latest.contentId, file.spec, latest.number, kMergeLimit));
    if (merged.conflict)
        throw VssError("Merging version " + std::to_string(latest.number) + " of " + file.spec +
                       " into " + quote(path) +
                       " conflicts with local changes; the local file was left unchanged.");
    // The merged text exists nowhere else: it goes to disk before it takes the file's name.
    const LocalFile::Status written = LocalFile::writeAtomically(
        path, [&](const LocalFile::Sink& sink) { sink(merged.text.data(), merged.text.size()); },
        {.readOnly = false, .modificationTime = std::nullopt, .durable = true});
    s_.localChanged(path);
    // The merged file holds local changes: never let a comparison call it unchanged.
    s_.localCopies.record(s_.user().id, path, {file.id, latest.number, 0, -1, written.inode});
}

bool FileOperations::matches(const ItemRef& file, const VersionRow& version,
                             const std::string& path, const LocalFile::Status& local,
                             std::int32_t flags, Trust trust, Fingerprint* taken) {
    const std::int32_t compare = flags & kMaskCompare;
    if (compare == FlagCompareContents)
        return s_.contents.equalsFile(version.contentId, path);
    // The record of the copy written here saves reading a file that has not changed since.
    if (compare == FlagCompareTime || trust == Trust::Record)
        if (const auto verdict = recordVerdict(file, version, path, local, flags))
            return *verdict;
    const ContentInfo stored = s_.contents.info(version.contentId);
    if (local.size != stored.size)
        return false;
    const Fingerprint fingerprint = ContentStore::fingerprint(path);
    if (taken)
        *taken = fingerprint;
    return fingerprint.size == stored.size && fingerprint.hash == stored.hash;
}

std::optional<bool> FileOperations::recordVerdict(const ItemRef& file, const VersionRow& version,
                                                  const std::string& path,
                                                  const LocalFile::Status& local,
                                                  std::int32_t flags) {
    const std::int32_t compare = flags & kMaskCompare;
    if (compare == FlagCompareContents)
        return std::nullopt;
    const auto copy = s_.localCopies.find(s_.user().id, path);
    if (!copy || copy->itemId != file.id)
        return std::nullopt;
    if (compare == FlagCompareTime) {
        // Times compare to the second, as file times are shown.
        constexpr std::int64_t kSecond = 1000000000;
        return copy->version == version.number && copy->modificationTime != 0 &&
               copy->modificationTime / kSecond == local.modificationTime / kSecond;
    }
    if (copy->version == version.number && copy->size >= 0 && copy->size == local.size &&
        copy->modificationTime == local.modificationTime && copy->inode == local.inode)
        return true;
    return std::nullopt;
}

bool FileOperations::checkedOutByMe(const ItemRef& file) {
    const auto co = s_.workspace.checkout(file.id);
    return co && co->userId == s_.user().id;
}

void FileOperations::record(const ItemRef& file, std::int32_t version, const std::string& path,
                            const LocalFile::Status& local) {
    // A read-only store keeps no record of local copies.
    if (s_.store.readOnly())
        return;
    // A record of the same file as it was then stands: whether it vouches was judged when it was
    // made, and a get that changes nothing writes nothing.
    if (const auto known = s_.localCopies.find(s_.user().id, path);
        known && known->itemId == file.id && known->version == version &&
        known->modificationTime == local.modificationTime && known->inode == local.inode &&
        (known->size < 0 || known->size == local.size))
        return;
    s_.localCopies.record(s_.user().id, path, recordOf(file, version, local));
}

LocalCopy FileOperations::recordOf(const ItemRef& file, std::int32_t version,
                                   const LocalFile::Status& local) {
    // An unsettled time could be kept by a change still to come: such a record never vouches
    // for the content.
    return {file.id, version, local.modificationTime, local.settled ? local.size : -1, local.inode};
}

void FileOperations::checkout(const std::string& comment, const std::string& local,
                              std::int32_t flags) {
    requireFile("checked out");
    checkComment(comment);
    const bool getLocal = (flags & kMaskGetLocal) != FlagDontGetLocal;
    s_.store.write([&] {
        requireNotDeleted();
        if (auto co = s_.workspace.checkout(item_.id)) {
            if (co->userId == s_.user().id)
                throw VssError("You already have " + quote(item_.spec) + " checked out" +
                               (co->localPath.empty() ? "." : " to " + quote(co->localPath) + "."));
            throw VssError(quote(item_.spec) + " is checked out by " + co->user + ".");
        }
        std::optional<LocalFile::Status> status;
        const std::string path = fileLocalPath(local, getLocal, &status);
        if (getLocal)
            s_.temporaries.sweepFor(path);
        const VersionRow latest = s_.items.latestContentBrief(item_.id);
        if (getLocal)
            getFile(item_, path, flags, true, status);
        s_.workspace.addCheckout(
            {item_.id, s_.user().id, s_.user().name, path, now(), latest.number, comment});
    });
    s_.localCopies.flushIfFull();
}

void FileOperations::checkin(const std::string& comment, const std::string& local,
                             std::int32_t flags) {
    requireFile("checked in");
    checkComment(comment);
    std::string localPath;
    s_.store.write([&] {
        Checkout co;
        requireCheckoutByMe(co);
        const std::string path = !local.empty()          ? fileLocalPath(local, true)
                                 : !co.localPath.empty() ? co.localPath
                                                         : fileLocalPath({}, true);
        { LocalFile::Reader probe(path); }
        const LocalFile::Status localStatus = LocalFile::status(path);
        const VersionRow latest = s_.items.latestContentBrief(item_.id);
        std::int32_t version = latest.number;
        Fingerprint taken;
        // What is checked in is read from the file: no record vouches for it here.
        const bool unchanged =
            matches(item_, latest, path, localStatus, flags, Trust::Content, &taken);
        if (!unchanged || (flags & kMaskUnchanged) == FlagCheckInUnchanged) {
            const ContentInfo content =
                s_.contents.put(path, taken.hash.empty() ? nullptr : &taken);
            version =
                s_.items.addVersion(item_.id, {s_.user().name, "Checked in " + item_.spec, comment,
                                               content.id, LocalFile::modificationTime(path)});
        }
        s_.workspace.removeCheckout(item_.id);
        record(item_, version, path, localStatus);
        localPath = path;
    });
    s_.localCopies.flushIfFull();
    // Only once the check-in is committed: a read-only local copy counts as unmodified.
    if ((flags & kMaskReadOnly) != FlagWritable) {
        try {
            s_.setLocalReadOnly(localPath, true);
        } catch (const VssError& e) {
            throw VssError(item_.spec + " was checked in; " + e.what());
        }
    }
}

void FileOperations::undoCheckout(const std::string& local, std::int32_t flags) {
    requireFile("checked out");
    s_.store.write([&] {
        Checkout co;
        requireCheckoutByMe(co);
        s_.workspace.removeCheckout(item_.id);
        if ((flags & kMaskLocalCopy) == FlagLeaveLocal)
            return;
        std::optional<LocalFile::Status> status;
        const std::string path = !local.empty()          ? fileLocalPath(local, false, &status)
                                 : !co.localPath.empty() ? co.localPath
                                                         : fileLocalPath({}, false);
        if (path.empty())
            return;
        s_.temporaries.sweepFor(path);
        const VersionRow latest = s_.items.latestContentBrief(item_.id);
        const bool readOnly = (flags & kMaskReadOnly) != FlagWritable;
        const LocalFile::Status localStatus = status ? *status : LocalFile::status(path);
        if (localStatus.kind == LocalFile::Kind::Plain &&
            matches(item_, latest, path, localStatus, flags, Trust::Content)) {
            s_.setLocalReadOnly(path, readOnly);
            record(item_, latest.number, path, localStatus);
            return;
        }
        writeVersion(item_, latest, path, flags, readOnly, &localStatus);
    });
    s_.localCopies.flushIfFull();
}

} // namespace vss::server
