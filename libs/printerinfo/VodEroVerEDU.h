#pragma once
// VodEroVerEDU: the printer information manager. It reads the printer's identity (model
// name, device ID) and its information texts through the communication object it is
// given at Initialize, and nothing else: every request purges the object, writes one
// command of the printer's command language and reads the reply with a time limit
// (libs/printerinfo/PrinterQuery.h).
//
// Every entry point has C linkage and is resolved by name at run time. Results are
// 32-bit: VOD_OK (1) for success, 0 or one of the negative VOD_E_* codes below for a
// failure. A printer that does not answer makes a call fail with VOD_E_NO_ANSWER after
// about three seconds, never a hang.
//
// Threads: every entry point may be called from any thread. Calls with the same handle
// are serialised (one exchange with the printer at a time); calls with different
// handles over the same communication object rely on that object's own serialisation.
#include <cstddef>
#include <cstdint>

class IXJComm;

#if defined(VODEROVEREDU_BUILDING)
#define VOD_API extern "C" __attribute__((visibility("default")))
#else
#define VOD_API extern "C"
#endif

typedef std::int32_t VOD_RESULT;

inline constexpr VOD_RESULT VOD_OK = 1;
inline constexpr VOD_RESULT VOD_E_BAD_HANDLE = -1;     // handle 0 or not (any longer) known
inline constexpr VOD_RESULT VOD_E_BAD_ARG = -2;        // null pointer, size below 1, unknown key
inline constexpr VOD_RESULT VOD_E_NO_ANSWER = -3;      // the printer did not answer in time
inline constexpr VOD_RESULT VOD_E_BAD_REPLY = -4;      // the printer answered something else
inline constexpr VOD_RESULT VOD_E_IO = -5;             // the communication object failed
inline constexpr VOD_RESULT VOD_E_NOT_READY = -6;      // the printer has no model name ready yet

// Request word bits of the information structure.
inline constexpr std::uint32_t VOD_REQ_FIRMWARE = 0x00000001u;   // text at index 0
inline constexpr std::uint32_t VOD_REQ_MODEL = 0x00000002u;      // text at index 1
inline constexpr std::uint32_t VOD_REQ_SERIAL = 0x00000004u;     // text at index 2
inline constexpr std::uint32_t VOD_REQ_MAKER = 0x00000008u;      // text at index 3
inline constexpr std::uint32_t VOD_REQ_FONTS = 0x00000010u;      // text at index 4
inline constexpr std::uint32_t VOD_REQ_FIXED_WIDTH = 0x00400000u;  // fixedPaperWidth
// What the program asks for: all five texts and the paper width flag.
inline constexpr std::uint32_t VOD_REQ_ALL = 0x0040001Fu;

// Keys of GetPrinterInfo: the same indexes as the text pointers of the structure.
inline constexpr std::int32_t VOD_INFO_FIRMWARE = 0;  // firmware version (GS I 65)
inline constexpr std::int32_t VOD_INFO_MODEL = 1;     // model name (GS I 67)
inline constexpr std::int32_t VOD_INFO_SERIAL = 2;    // serial number (GS I 68)
inline constexpr std::int32_t VOD_INFO_MAKER = 3;     // maker (GS I 66)
inline constexpr std::int32_t VOD_INFO_FONTS = 4;     // fonts of language (GS I 69)
inline constexpr std::int32_t VOD_INFO_COUNT = 5;

// Callback events.
inline constexpr std::int32_t VOD_EVENT_INFORMATION_READ = 1;

// Information structure of GetPrinterInformation, in field order with 4-byte packing.
// On a 32-bit build the texts sit at 0, 4, 8, 12, 16, the request word at 24 and the
// paper width flag at 56 (60 bytes); on a 64-bit build the five pointers are 8 bytes
// wide and the fields after them move by 20 (80 bytes).
#pragma pack(push, 4)
struct VOD_PRINTER_INFORMATION {
  // Zero-terminated multibyte texts as the printer sends them. Never null after a
  // successful call; a text that was not requested points to an empty text. They stay
  // valid until the next GetPrinterInformation with the same handle or its Finalize.
  const char* firmwareVersion;  //  0 GS I 65
  const char* modelName;        //  4 GS I 67 (the name the status view shows)
  const char* serialNumber;     //  8 GS I 68
  const char* maker;            // 12 GS I 66
  const char* fontsOfLanguage;  // 16 GS I 69
  std::uint32_t reserved20;     // 20 set to 0
  std::uint32_t request;        // 24 set by the caller: VOD_REQ_* bits (VOD_REQ_ALL)
  std::uint32_t reserved28[7];  // 28..55 set to 0
  // 1 when the model cannot change its paper width, 0 when it can. Learnt by reading
  // customized value 3 (paper width): a printer that answers with a value can change it;
  // one that does not answer that read, or answers it without a value, has a fixed
  // width. 0 when VOD_REQ_FIXED_WIDTH is not requested.
  std::uint32_t fixedPaperWidth;  // 56
};
#pragma pack(pop)

static_assert(offsetof(VOD_PRINTER_INFORMATION, request) == 24 + 5 * (sizeof(void*) - 4));
static_assert(offsetof(VOD_PRINTER_INFORMATION, fixedPaperWidth) ==
              56 + 5 * (sizeof(void*) - 4));
static_assert(sizeof(VOD_PRINTER_INFORMATION) == 60 + 5 * (sizeof(void*) - 4));

// Callback of RegisterCallback: (handle, event, result of the operation, context).
typedef void (*VOD_CALLBACK)(std::uint32_t handle, std::int32_t event, std::int32_t result,
                             void* context);

// Creates a session over the communication object (which must outlive it). Does not talk
// to the printer. Result: a non-zero handle, or 0 when comm is null or no handle is free.
VOD_API std::uint32_t Initialize(IXJComm* comm);

// Ends the session of *handle and sets *handle to 0; the texts of its last
// GetPrinterInformation become invalid. A null pointer, 0 or an unknown handle is
// ignored (an unknown handle is still set to 0).
VOD_API void Finalize(std::uint32_t* handle);

// Registers the procedure called after each GetPrinterInformation with
// (handle, VOD_EVENT_INFORMATION_READ, its result, context), on the thread that made
// the call, after the structure is filled. A later registration replaces the earlier
// one; a null callback removes it. Result: VOD_OK, VOD_E_BAD_HANDLE.
VOD_API VOD_RESULT RegisterCallback(std::uint32_t handle, VOD_CALLBACK callback, void* context);

// Removes the registered procedure. Result: VOD_OK, VOD_E_BAD_HANDLE.
VOD_API VOD_RESULT UnregisterCallback(std::uint32_t handle);

// Fills *info with what info->request asks for (see VOD_PRINTER_INFORMATION); the caller
// sets request, usually to VOD_REQ_ALL; reserved must be 0. Texts are read with GS I 65
// to 69, the paper width flag with a customized-value read of setting 3.
// Result: VOD_OK; VOD_E_BAD_HANDLE; VOD_E_BAD_ARG (null info, reserved not 0);
// VOD_E_NOT_READY (model name requested and the printer has none ready);
// VOD_E_NO_ANSWER, VOD_E_BAD_REPLY, VOD_E_IO. On failure the texts and the flag are set
// to empty texts and 0.
VOD_API VOD_RESULT GetPrinterInformation(std::uint32_t handle, VOD_PRINTER_INFORMATION* info,
                                         std::int32_t reserved);

// Reads the model name (GS I 67) into buffer, zero-terminated and cut to size - 1 bytes.
// Result: VOD_OK; VOD_E_BAD_HANDLE; VOD_E_BAD_ARG (null buffer, size below 1);
// VOD_E_NOT_READY (the printer answered with an empty name); VOD_E_NO_ANSWER,
// VOD_E_BAD_REPLY, VOD_E_IO. On failure the buffer is left untouched.
VOD_API VOD_RESULT GetPrinterName(std::uint32_t handle, char* buffer, std::int32_t size);

// Reads the model's device ID (GS I 1) into *id: 144 for the XJ-K52II, 145 for its
// variant without autocutter. Result: VOD_OK; VOD_E_BAD_HANDLE; VOD_E_BAD_ARG (null id);
// VOD_E_NO_ANSWER, VOD_E_BAD_REPLY, VOD_E_IO. On failure *id is left untouched.
VOD_API VOD_RESULT GetDeviceID(std::uint32_t handle, std::int32_t* id);

// Reads one information text, chosen by key (VOD_INFO_*), from the printer into buffer,
// zero-terminated and cut to size - 1 bytes; an empty text is a valid answer here.
// Result: VOD_OK; VOD_E_BAD_HANDLE; VOD_E_BAD_ARG (unknown key, null buffer, size below
// 1); VOD_E_NO_ANSWER, VOD_E_BAD_REPLY, VOD_E_IO. On failure the buffer is untouched.
VOD_API VOD_RESULT GetPrinterInfo(std::uint32_t handle, std::int32_t key, char* buffer,
                                  std::int32_t size);
