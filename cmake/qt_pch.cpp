// Anchor source for the shared Qt precompiled header.
