// The id of IDispatch, defined here because libuuid defines it in one
// object together with hundreds of DirectX Video Acceleration ids, all of
// which a link against it would carry along.
#include <windows.h>

extern "C" const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000,
                                      {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
