// Placeholder translation unit so the library exists before its first widget does.
