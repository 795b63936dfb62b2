// standinrt.dll: the runtime library the stand-in jvm.dll imports at load time, as a real jvm.dll imports the C runtime from <home>\bin.

extern "C" __declspec(dllexport) const char* StandinRuntimeName() { return "standinrt"; }
