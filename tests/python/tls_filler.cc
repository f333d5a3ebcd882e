// A library whose thread-local data must live in the static TLS block: the
// tests load copies of it until the loader has no static TLS left, as other
// libraries of a long-lived process may have done before ours is loaded.
extern "C" {
__attribute__((tls_model("initial-exec"))) thread_local char quarry_tls_filler[64];
__attribute__((visibility("default"))) int quarry_tls_filler_touch() { return quarry_tls_filler[0]; }
}
