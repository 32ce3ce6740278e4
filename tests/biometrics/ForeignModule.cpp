// A loadable module without the quality entry points.
extern "C" __attribute__((visibility("default"))) int SomethingElse()
{
    return 42;
}
