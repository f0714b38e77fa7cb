#pragma once

// What the launcher relies on of the two components it carries but does not
// build: the runtime module and the loader add-in.

#include <cstdint>

#include "resources/resource_ids.h"

namespace runtime_contract {

// The runtime module: a DLL carried as the first entry of the RUNTIME
// archive and installed under this name in the product folder.
inline constexpr char kRuntimeFileName[] = "SheltraRuntime.dll";
inline constexpr resource_ids::ResourceId kRuntimeArchive =
    resource_ids::kRuntime;

// Its exports, looked up by name.
// std::int32_t RtmGetVersion(): the runtime version.
inline constexpr char kGetVersionExport[] = "RtmGetVersion";
// const char* WeRTlwN(): the name of the splash-end event, or null.
inline constexpr char kSplashEventNameExport[] = "WeRTlwN";
// void cWeuyRtj(buffer object*, std::uint32_t milliseconds, SplashData*),
// cdecl: shows the splash.
inline constexpr char kShowSplashExport[] = "cWeuyRtj";

// Its registration as Excel's COM add-in, which the launcher only reads.
inline constexpr char kAddinProgId[] = "SheltraRuntime.Connect";
inline constexpr char kAddinClassId[] =
    "{5B0E2C71-3F4A-4D86-9E13-7A2C4F6B8D05}";
inline constexpr std::int32_t kAddinLoadBehavior = 3;

// The loader add-in, in two editions, and the macro the launch runs in it
// with the runtime module's full path.
inline constexpr resource_ids::ResourceId kLoaderAddinXla =
    resource_ids::kAddinXla;
inline constexpr resource_ids::ResourceId kLoaderAddinXlam =
    resource_ids::kAddinXlam;
inline constexpr char kLoaderAddinXlaFileName[] = "shLdr.xla";
inline constexpr char kLoaderAddinXlamFileName[] = "shLdr.xlam";
inline constexpr char kSetupMacro[] = "SetupSheltraRtmModule";

}  // namespace runtime_contract
