// warnik.exe is a small launcher: the program itself lives in WARNIK.dll beside the services,
// so that the plug-in and warnik's commands share one host. This is its named entry.
int WarnikMain(int argc, char** argv);  // tools/warnik.cpp's main, renamed in this build

extern "C" int WarnikRun(int argc, char** argv) { return WarnikMain(argc, argv); }
