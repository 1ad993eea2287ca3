// A shared library that loads but exports no Orbelle: it must not count as the tag browser.
extern "C" int NotTheBrowser(char16_t*, int, int, int) { return 1; }
