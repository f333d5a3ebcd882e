#include "workspace.hh"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "analysis.hh"
#include "uri.hh"

namespace korvex3_lsp {

file_cache::stamp file_cache::stat_file(const std::string& key) {
    stamp s;
    struct stat st {};
    if (::stat(key.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
    s.exists = true;
    s.mtime = st.st_mtim;
    s.size = static_cast<long long>(st.st_size);
    return s;
}

namespace {

bool same(const std::timespec& a, const std::timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

}  // namespace

bool file_cache::changed(const std::string& key) const {
    const auto it = files_.find(key);
    if (it == files_.end()) return false;
    const stamp now = stat_file(key);
    return now.exists != it->second.seen.exists || now.size != it->second.seen.size ||
           !same(now.mtime, it->second.seen.mtime);
}

std::shared_ptr<const std::string> file_cache::text(const std::string& key) {
    const stamp now = stat_file(key);
    if (!now.exists) {
        files_.erase(key);
        return nullptr;
    }
    auto it = files_.find(key);
    if (it != files_.end() && it->second.seen.size == now.size && same(it->second.seen.mtime, now.mtime))
        return it->second.text;
    std::ifstream in(key, std::ios::binary);
    if (!in) return nullptr;
    std::ostringstream content;
    content << in.rdbuf();
    auto text = std::make_shared<const std::string>(content.str());
    files_[key] = entry{now, text};
    return text;
}

document& workspace::open(const std::string& uri, std::string text, std::int64_t version) {
    document& doc = documents_[uri];
    doc.uri = uri;
    doc.path = path_of_uri(uri);
    doc.key = normal_path(doc.path);
    doc.result.reset();
    change(doc, std::move(text), version);
    return doc;
}

document* workspace::find(const std::string& uri) {
    const auto it = documents_.find(uri);
    return it == documents_.end() ? nullptr : &it->second;
}

void workspace::close(const std::string& uri) {
    const auto it = documents_.find(uri);
    if (it == documents_.end()) return;
    const std::string key = it->second.key;
    documents_.erase(it);
    // Readers of the buffer go back to the file on disk.
    mark_readers(key);
}

void workspace::change(document& doc, std::string text, std::int64_t version) {
    doc.text = std::make_shared<const std::string>(std::move(text));
    doc.version = version;
    doc.dirty = true;
    mark_readers(doc.key);
}

void workspace::mark_readers(const std::string& key) {
    for (auto& [uri, doc] : documents_) {
        if (!doc.result) continue;
        for (const std::string& read : doc.result->files_read)
            if (read == key) doc.dirty = true;
    }
}

void workspace::file_changed(const std::string& path) {
    const std::string key = normal_path(path);
    cache_.forget(key);
    mark_readers(key);
}

bool workspace::poll_disk() {
    bool any = false;
    for (auto& [uri, doc] : documents_) {
        if (!doc.result || doc.dirty) continue;
        for (const std::string& read : doc.result->files_read) {
            if (read == doc.key || find_open(read)) continue;
            if (cache_.changed(read)) {
                doc.dirty = true;
                any = true;
                break;
            }
        }
    }
    return any;
}

const document* workspace::find_open(const std::string& key) const {
    for (const auto& [uri, doc] : documents_)
        if (doc.key == key) return &doc;
    return nullptr;
}

quarry::task::file_source workspace::source() {
    return [this](const std::string& path) -> std::shared_ptr<const std::string> {
        const std::string key = normal_path(path);
        std::lock_guard<std::mutex> lock(source_mutex_);
        if (const document* open = find_open(key)) return open->text;
        return cache_.text(key);
    };
}

}  // namespace korvex3_lsp
