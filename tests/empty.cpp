// Keeps a library target non-empty.
