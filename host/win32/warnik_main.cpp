// warnik.exe: hands the command line to WARNIK.dll, which holds the host and the program.
extern "C" __declspec(dllimport) int WarnikRun(int argc, char** argv);

int main(int argc, char** argv) { return WarnikRun(argc, argv); }
