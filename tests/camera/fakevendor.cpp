// A stand-in vendor library for the forwarding test: one C symbol.
extern "C" int CameraProbeValue(int x) { return x * 3 + 1; }
