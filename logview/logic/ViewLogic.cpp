// Placeholder translation unit so the library exists before its first rule does.
