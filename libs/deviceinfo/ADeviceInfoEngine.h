#pragma once
// ADeviceInfoEngine: the device information engine. Load reads a fixed set of values
// from the printer through the communication object given at Initialize and keeps them;
// the value lookups answer from what the last successful Load kept and never talk to
// the printer. Values are looked up by key: narrow characters, given as a pointer and a
// length (no terminator needed), compared exactly (letter case counts).
//
// Keys (kind; how the printer is asked):
//   "MODEL_NAME"           text; GS I 67
//   "SERIAL_NUMBER"        text; GS I 68
//   "FIRMWARE_VERSION"     text; GS I 65
//   "MAKER"                text; GS I 66
//   "FONTS_OF_LANGUAGE"    text; GS I 69
//   "DEVICE_ID"            number; GS I 1 (144 XJ-K52II, 145 the variant without autocutter)
//   "TYPE_ID"              number; GS I 2 (bit 1 autocutter, bit 0 multibyte fonts)
//   "PAPER_WIDTH"          number; customized value 3 read with GS ( E fn 6 (1 = 58 mm, 6 = 80 mm)
//   "PAPER_WIDTH_MM"       number; 58 or 80, derived from PAPER_WIDTH
//   "NV_GRAPHICS_CAPACITY" number; remaining NV graphics capacity in bytes, GS ( L fn 51
//   "BATTERY_LEVEL"        number; 0 (empty) .. 6 (full), DLE DC4 7 5
//   "POWER_SOURCE"         number; 0 AC adapter, 1 battery, DLE DC4 7 5
// A number is also available as text (ASCII decimal). Texts are the printer's bytes as
// sent (multibyte, no terminator counted in their length).
//
// Load needs MODEL_NAME (not empty) and DEVICE_ID; a value the printer does not offer
// (no answer to its request, a reply of another form, or PAPER_WIDTH_MM for a width
// other than 1 and 6) is kept as unavailable and its lookups answer ADI_E_UNAVAILABLE.
//
// Results are 32-bit: ADI_OK (1) for success, one of the negative ADI_E_* codes below
// for a failure. A printer that does not answer makes Load fail with ADI_E_NO_ANSWER
// after about three seconds, never a hang.
//
// Threads: every entry point may be called from any thread. Loads with the same handle
// are serialised; lookups during a Load answer from the values kept before it.
#include <cstdint>

class IXJComm;

#if defined(ADEVICEINFOENGINE_BUILDING)
#define ADI_API extern "C" __attribute__((visibility("default")))
#else
#define ADI_API extern "C"
#endif

typedef std::int32_t ADI_RESULT;

inline constexpr ADI_RESULT ADI_OK = 1;
inline constexpr ADI_RESULT ADI_E_BAD_HANDLE = -1;        // handle 0 or not (any longer) known
inline constexpr ADI_RESULT ADI_E_BAD_ARG = -2;           // null pointer, negative length
inline constexpr ADI_RESULT ADI_E_NO_ANSWER = -3;         // the printer did not answer in time
inline constexpr ADI_RESULT ADI_E_BAD_REPLY = -4;         // the printer answered something else
inline constexpr ADI_RESULT ADI_E_IO = -5;                // the communication object failed
inline constexpr ADI_RESULT ADI_E_NOT_READY = -6;         // the printer has no model name ready
inline constexpr ADI_RESULT ADI_E_UNKNOWN_KEY = -10;      // no such key
inline constexpr ADI_RESULT ADI_E_NOT_LOADED = -11;       // no successful Load yet
inline constexpr ADI_RESULT ADI_E_UNAVAILABLE = -12;      // the printer did not offer the value
inline constexpr ADI_RESULT ADI_E_NOT_INTEGER = -13;      // GetValueInt on a text value
inline constexpr ADI_RESULT ADI_E_BUFFER_TOO_SMALL = -14; // buffer shorter than the value

// Keys.
inline constexpr char ADI_KEY_MODEL_NAME[] = "MODEL_NAME";
inline constexpr char ADI_KEY_SERIAL_NUMBER[] = "SERIAL_NUMBER";
inline constexpr char ADI_KEY_FIRMWARE_VERSION[] = "FIRMWARE_VERSION";
inline constexpr char ADI_KEY_MAKER[] = "MAKER";
inline constexpr char ADI_KEY_FONTS_OF_LANGUAGE[] = "FONTS_OF_LANGUAGE";
inline constexpr char ADI_KEY_DEVICE_ID[] = "DEVICE_ID";
inline constexpr char ADI_KEY_TYPE_ID[] = "TYPE_ID";
inline constexpr char ADI_KEY_PAPER_WIDTH[] = "PAPER_WIDTH";
inline constexpr char ADI_KEY_PAPER_WIDTH_MM[] = "PAPER_WIDTH_MM";
inline constexpr char ADI_KEY_NV_GRAPHICS_CAPACITY[] = "NV_GRAPHICS_CAPACITY";
inline constexpr char ADI_KEY_BATTERY_LEVEL[] = "BATTERY_LEVEL";
inline constexpr char ADI_KEY_POWER_SOURCE[] = "POWER_SOURCE";

// Callback events.
inline constexpr std::int32_t ADI_EVENT_LOAD_FINISHED = 1;

// Callback of RegisterCallback: (handle, event, result of the operation, context).
typedef void (*ADI_CALLBACK)(std::uint32_t handle, std::int32_t event, std::int32_t result,
                             void* context);

// Creates an engine session over the communication object (which must outlive it).
// Does not talk to the printer. Result: a non-zero handle; 0 when comm is null or no
// handle is free.
ADI_API std::uint32_t Initialize(IXJComm* comm);

// Ends the session of *handle and sets *handle to 0. A null pointer, 0 or an unknown
// handle is ignored (an unknown handle is still set to 0).
ADI_API void Finalize(std::uint32_t* handle);

// Registers the procedure called at the end of every Load with (handle,
// ADI_EVENT_LOAD_FINISHED, Load's result, context), on the thread that called Load,
// after the values are kept. A later registration replaces the earlier one; a null
// callback removes it. Result: ADI_OK, ADI_E_BAD_HANDLE.
ADI_API ADI_RESULT RegisterCallback(std::uint32_t handle, ADI_CALLBACK callback, void* context);

// Removes the registered procedure. Result: ADI_OK, ADI_E_BAD_HANDLE.
ADI_API ADI_RESULT UnregisterCallback(std::uint32_t handle);

// Reads every value from the printer and keeps them, replacing what an earlier Load
// kept. Result: ADI_OK; ADI_E_BAD_HANDLE; ADI_E_NOT_READY (empty model name);
// ADI_E_NO_ANSWER, ADI_E_BAD_REPLY (for the model name or device ID), ADI_E_IO. On
// failure the values kept before stay as they were.
ADI_API ADI_RESULT Load(std::uint32_t handle);

// Length in bytes of the value's text (no terminator counted) into *length.
// Result: ADI_OK; ADI_E_BAD_HANDLE; ADI_E_BAD_ARG (null key with a length above 0,
// negative key length, null length); ADI_E_UNKNOWN_KEY; ADI_E_NOT_LOADED;
// ADI_E_UNAVAILABLE. On failure *length is untouched.
ADI_API ADI_RESULT GetValueLength(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                  std::int32_t* length);

// A number value into *value. Result: as GetValueLength, and ADI_E_NOT_INTEGER for a
// text value. On failure *value is untouched.
ADI_API ADI_RESULT GetValueInt(std::uint32_t handle, const char* key, std::int32_t keyLength,
                               std::int32_t* value);

// The value's text into buffer: exactly GetValueLength bytes, followed by a terminator
// when bufferLength leaves room for one. buffer may be null only when bufferLength is 0.
// Result: as GetValueLength, and ADI_E_BAD_ARG (null buffer with a length above 0,
// negative bufferLength), ADI_E_BUFFER_TOO_SMALL (bufferLength below the value's
// length). On failure the buffer is untouched.
ADI_API ADI_RESULT GetValueString(std::uint32_t handle, const char* key, std::int32_t keyLength,
                                  char* buffer, std::int32_t bufferLength);
