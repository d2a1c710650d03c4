// Anchors the precompiled header that every test target reuses.
