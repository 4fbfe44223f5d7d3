// A library with nothing in it but its resources: the version reader's test subject.
extern "C" __declspec(dllexport) int VersionFixtureMarker() { return 1; }
