// Keeps the library target non-empty until its first real source lands; delete it then.
