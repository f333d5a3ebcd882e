#pragma once
// The open documents and the text of the files they include: editor buffers
// first, else the disk, read again when a file's size or time changes.
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "quarry/task.hh"

namespace korvex3_lsp {

struct analysis;

struct document {
    std::string uri;
    /// The path from the URI, as the parse names the text.
    std::string path;
    /// normal_path(path): how included files find this buffer.
    std::string key;
    std::int64_t version = 0;
    std::shared_ptr<const std::string> text;
    /// Null until the first parse; stale while `dirty`.
    std::shared_ptr<const analysis> result;
    bool dirty = true;
};

/// Text of files on disk, kept with their size and modification time.
class file_cache {
public:
    /// The file's text, read again when it changed; null when it cannot be read.
    std::shared_ptr<const std::string> text(const std::string& key);
    /// Forgets a file (it changed or went).
    void forget(const std::string& key) { files_.erase(key); }
    /// Whether the file differs on disk from what was served last.
    bool changed(const std::string& key) const;

private:
    struct stamp {
        std::timespec mtime{};
        long long size = -1;
        bool exists = false;
    };
    static stamp stat_file(const std::string& key);
    struct entry {
        stamp seen;
        std::shared_ptr<const std::string> text;
    };
    std::map<std::string, entry> files_;
};

class workspace {
public:
    document& open(const std::string& uri, std::string text, std::int64_t version);
    /// Null for a document that is not open.
    document* find(const std::string& uri);
    void close(const std::string& uri);
    std::map<std::string, document>& documents() { return documents_; }

    /// Replaces a document's text; it and every open document that reads it
    /// must be parsed again.
    void change(document& doc, std::string text, std::int64_t version);
    /// A file on disk changed: documents that read it are parsed again.
    void file_changed(const std::string& path);
    /// Marks documents whose included files differ on disk; true when any did.
    bool poll_disk();

    /// The source the parser asks for included files; callable from
    /// several threads at once (a parse may read includes ahead).
    quarry::task::file_source source();

private:
    void mark_readers(const std::string& key);
    /// The open document of a normalised path, or null.
    const document* find_open(const std::string& key) const;

    std::map<std::string, document> documents_;
    file_cache cache_;
    std::mutex source_mutex_;
};

}  // namespace korvex3_lsp
