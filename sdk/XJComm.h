#pragma once
// XJComm: the communication library. Every entry point has C linkage and is resolved by
// name at run time (comm/XJC.h). Results are 32-bit: XJC_OK (0) for success, otherwise
// one of the XJC_E_* codes below.
//
// Threads: unless stated otherwise an entry point may be called from any thread; the
// library serialises all traffic with the printer internally, so a call waits while
// another thread's exchange runs. Status and battery procedures are called on the
// library's own monitor thread; such a procedure may call back into the library (for
// instance to unregister itself), except that while its monitor is being stopped those
// calls return XJC_E_NOT_OPEN at once instead of waiting.
//
// Time limits: no call waits for the printer without a limit. Opening a network port
// waits at most 3 s for the connection, a question to the printer at most 1.5 s for its
// answer, and writes at most the time the caller gives (5 s when it gives 0). A printer
// that stops answering makes the calls fail with XJC_E_TIMEOUT; a lost connection gives
// XJC_E_IO, and the next call that talks to the printer connects again once.
//
// Ports: a PortRecord names its port by kind and portName:
//   "NET"                 portName "a.b.c.d" or "a.b.c.d:port" (TCP, port 9100 by default)
//   "COM", "SERIAL", "BT" portName a serial device: "/dev/ttyUSB0", "ttyUSB0", "COM1"
//                         (= /dev/ttyS0), a pseudo-terminal; Bluetooth serial /dev/rfcommN.
//                         With serialParamsSet = 1: baudRate in bits per second (1200 to
//                         230400), bitLength 5-8, parity 0 none / 1 odd / 2 even; without,
//                         9600 baud, 8 bits, no parity.
//   "USB"                 portName a USB printer node ("lp0" for /dev/usb/lp0); the
//                         usbDeviceData filled by XJC_EnumDevPort finds the same printer
//                         again when its node number changes.
//   "LPT"                 portName a parallel port ("/dev/lp0" or "lp0").
//   kind empty            path (or, when empty, portName) is a connection path:
//                         "tcp://a.b.c.d[:port]/…", "socket://…", "serial:/dev/ttyS0
//                         [?baud=9600+bits=8+parity=none]", "usb:/dev/usb/lp0",
//                         "lpt:/dev/lp0", "bt:/dev/rfcomm0", a bare device path or a bare
//                         "a.b.c.d[:port]".
// Only character devices are ever opened. One process at a time may talk to a port: the
// library takes an advisory lock per port (a lock file in the runtime folder) while a
// port is open and during XJC_CommunicationTest.
//
// Status codes (XJC_GetStatus and the status procedure): the XJC_STATUS_* table below.
// This library derives them from the printer's real-time status and automatic status,
// first match wins: 2 no reply, 3 fatal error, 9 autocutter error, 4 recoverable error,
// 5 auto-recoverable error, 6 cover open, 7 out of paper, 14 paper being fed, 16 offline
// because the battery is too low, 1 offline, 18 paper near-end, 0 online. (17, awaiting
// paper removal, has no sensor on this model and is never reported.)
// Battery codes (the battery procedure): (level << 8) | source, level '0' (0x30, empty) to
// '6' (0x36, full), source '0' (0x30) external power or '1' (0x31) battery.
#include <cstdint>

#include "sdk/PortRecord.h"

#if defined(XJCOMM_BUILDING)
#define XJC_API extern "C" __attribute__((visibility("default")))
#else
#define XJC_API extern "C"
#endif

typedef std::uint32_t XJC_RESULT;

inline constexpr XJC_RESULT XJC_OK = 0;
inline constexpr XJC_RESULT XJC_E_NOT_LOADED = 0x80000000u;     // library absent (program side)
inline constexpr XJC_RESULT XJC_E_NO_RECORD = 0x80000001u;      // a required record/pointer missing
inline constexpr XJC_RESULT XJC_E_INVALID_ARG = 0x80000002u;    // an argument out of range
inline constexpr XJC_RESULT XJC_E_NOT_OPEN = 0x80000003u;       // no port open
inline constexpr XJC_RESULT XJC_E_TIMEOUT = 0x80000004u;        // the printer did not answer in time
inline constexpr XJC_RESULT XJC_E_NO_PORT = 0x80000006u;        // no port selected / unknown port
inline constexpr XJC_RESULT XJC_E_OPEN_FAILED = 0x80000007u;    // the device could not be opened
inline constexpr XJC_RESULT XJC_E_IO = 0x80000008u;             // read or write failed, connection lost
inline constexpr XJC_RESULT XJC_E_BAD_REPLY = 0x80000009u;      // the printer answered something unexpected
inline constexpr XJC_RESULT XJC_E_NOT_SUPPORTED = 0x8000000Au;  // entry point or feature not supported
inline constexpr XJC_RESULT XJC_E_IN_USE = 0x8000000Bu;         // another process holds the port
inline constexpr XJC_RESULT XJC_E_BUFFER_TOO_SMALL = 0x8000000Cu;
inline constexpr XJC_RESULT XJC_E_STORE = 0x8000000Du;          // the port registry could not be written

// ---- printer status codes ---------------------------------------------------------------
// The one table of printer status codes, shared by the library, the program's status
// pane and its communication jobs. The codes of printers with a journal or ink (8, 10-13,
// 15, 19-22 and 100) are never reported by this library but keep their meaning, so a
// status pane shows them right whichever library reports them.
inline constexpr std::int32_t XJC_STATUS_ONLINE = 0;
inline constexpr std::int32_t XJC_STATUS_OFFLINE = 1;                 // offline, any other cause
inline constexpr std::int32_t XJC_STATUS_NO_REPLY = 2;                // the printer does not answer
inline constexpr std::int32_t XJC_STATUS_FATAL_ERROR = 3;             // unrecoverable error
inline constexpr std::int32_t XJC_STATUS_RECOVERABLE_ERROR = 4;
inline constexpr std::int32_t XJC_STATUS_AUTO_RECOVERABLE_ERROR = 5;
inline constexpr std::int32_t XJC_STATUS_COVER_OPEN = 6;
inline constexpr std::int32_t XJC_STATUS_PAPER_END = 7;
inline constexpr std::int32_t XJC_STATUS_JOURNAL_END = 8;
inline constexpr std::int32_t XJC_STATUS_AUTOCUTTER_ERROR = 9;
inline constexpr std::int32_t XJC_STATUS_NO_INK_CARTRIDGE_1 = 10;
inline constexpr std::int32_t XJC_STATUS_NO_INK_CARTRIDGE_2 = 11;
inline constexpr std::int32_t XJC_STATUS_OUT_OF_INK_1 = 12;
inline constexpr std::int32_t XJC_STATUS_OUT_OF_INK_2 = 13;
inline constexpr std::int32_t XJC_STATUS_FEEDING = 14;                // paper fed by the FEED button
inline constexpr std::int32_t XJC_STATUS_CLEANING = 15;
inline constexpr std::int32_t XJC_STATUS_BATTERY_OFFLINE = 16;        // offline: the battery is too low
inline constexpr std::int32_t XJC_STATUS_AWAITING_PAPER_REMOVAL = 17;
inline constexpr std::int32_t XJC_STATUS_PAPER_NEAR_END = 18;
inline constexpr std::int32_t XJC_STATUS_JOURNAL_NEAR_END = 19;
inline constexpr std::int32_t XJC_STATUS_INK_1_NEAR_END = 20;
inline constexpr std::int32_t XJC_STATUS_INK_2_NEAR_END = 21;
inline constexpr std::int32_t XJC_STATUS_PAPER_LAYOUT_ERROR = 22;
inline constexpr std::int32_t XJC_STATUS_LAST = XJC_STATUS_PAPER_LAYOUT_ERROR;  // highest code of the table
inline constexpr std::int32_t XJC_STATUS_INK_CLEARED = 100;           // no ink or cleaning condition pending any more
// Program side: no status known (before the first notification, or a code outside the
// table).
inline constexpr std::int32_t XJC_STATUS_UNKNOWN = -1;

// Status and battery procedures: (value, context). The return value is ignored.
typedef std::int32_t (*XJC_STATUS_PROC)(std::uint32_t value, void* context);
// Device state procedure (XJC_RegisterDeviceStateCallback): not supported by this library.
typedef std::int32_t (*XJC_DEVICE_STATE_PROC)(std::uint32_t state, void* context);

// ---- caller, model ------------------------------------------------------------------
// Remembers which program started the utility (0 none, 1 printer driver, 2 OPOS, 3 simple
// viewer, 4 automatic restore); it changes nothing else. Always XJC_OK.
XJC_API XJC_RESULT XJC_SetCaller(std::int32_t caller);
// *caller := the value of the last XJC_SetCaller (0 before any). XJC_OK; XJC_E_NO_RECORD
// for a null pointer.
XJC_API XJC_RESULT XJC_GetCaller(std::int32_t* caller);
// Remembers the model type the program works with (it passes 0); the library learns the
// model from the printer itself, so the value changes nothing. Always XJC_OK.
XJC_API XJC_RESULT XJC_SetModelType(std::int32_t type);

// ---- port registry and device search --------------------------------------------------
// The ports registered on this machine (XJC_AddPort), kept across runs in
// <common application data>/NORVE/XJComm/Ports.ini, in the order they were registered.
// records == null or capacity == 0: *count := the number of registered ports, nothing
// else is written. Otherwise the first min(capacity, registered) records are filled
// (records[i] each point to a PortRecord) and *count := the number filled; nothing is
// ever written beyond capacity, so a port added between the two calls is simply not
// listed. driverMode (1 when the printer driver started the program) lists the same
// ports: there is no driver port monitor on this platform.
// XJC_OK; XJC_E_NO_RECORD for a null count or a null record pointer within capacity.
XJC_API XJC_RESULT XJC_EnumPort(PortRecord** records, std::uint32_t capacity, std::uint32_t* count,
                                std::int32_t driverMode);
// The devices of one kind present now. kind (letter case ignored):
//   "COM"    serial ports: /dev/ttyS* with hardware, /dev/ttyUSB*, /dev/ttyACM*, and the
//            paths listed in the environment variable XJCOMM_EXTRA_SERIAL (colon-separated)
//   "SERIAL" the same plus Bluetooth serial devices /dev/rfcomm*
//   "USB"    USB printers /dev/usb/lp*, deviceName the model from the IEEE 1284 device ID
//   "LPT"    parallel ports /dev/lp*;   "BT" Bluetooth serial devices /dev/rfcomm*
//   "NET"    printers answering on the network: every address of the search range gets a
//            short TCP connect and a model-name query; found printers have portName
//            "a.b.c.d" (or "a.b.c.d:port"), deviceName the model, deviceInfo
//            "<model> Ethernet". The range comes from $XJCOMM_NET_SEARCH, else from the key
//            NetSearchRange of section [IFSetting] in SETTING.INI beside this library, else
//            it is 127.0.0.1 alone: no other address is contacted unless a user names it.
//            A range is comma-separated items "a.b.c.d", "a.b.c.d-e" or "a.b.c.d-a.b.c.e",
//            each with an optional ":port"; at most 1024 addresses; multicast and
//            broadcast addresses are never contacted. The search may take a few seconds.
// Fills min(capacity, found) records and sets *count := the number found, which may be
// larger: the caller then enlarges its array and calls again (such a repeated call within
// 10 s returns the same devices without searching again). records == null or capacity 0
// only counts. XJC_OK; XJC_E_NO_RECORD for a null kind/count/record pointer;
// XJC_E_INVALID_ARG for an unknown kind or a malformed search range.
XJC_API XJC_RESULT XJC_EnumDevPort(const char16_t* kind, PortRecord** records,
                                   std::uint32_t capacity, std::uint32_t* count);
// Registers a port so that later XJC_EnumPort calls (in any process) list it; a port of
// the same kind and portName is replaced. Every field is kept. XJC_OK; XJC_E_NO_RECORD;
// XJC_E_INVALID_ARG for an empty kind or portName, a port the library cannot address, or
// texts with control characters; XJC_E_STORE when the registry cannot be written (the
// registry stays as it was).
XJC_API XJC_RESULT XJC_AddPort(const PortRecord* record);
// Unregisters the port of record's kind and portName. XJC_OK; XJC_E_NO_RECORD;
// XJC_E_NO_PORT when it is not registered; XJC_E_STORE when the registry cannot be written.
XJC_API XJC_RESULT XJC_RemovePort(const PortRecord* record);
// Fills record with the registered entry of its kind and portName. XJC_OK;
// XJC_E_NO_RECORD; XJC_E_NO_PORT when the port is not registered (record unchanged).
XJC_API XJC_RESULT XJC_FindPort(PortRecord* record);

// ---- opening and closing -----------------------------------------------------------------
// Selects the port that the following calls use (the record is copied). When another port
// is open, it is closed first; selecting the open port again keeps it open. XJC_OK;
// XJC_E_NO_RECORD; XJC_E_NO_PORT when the record names no port the library can reach;
// XJC_E_INVALID_ARG for bad serial settings.
XJC_API XJC_RESULT XJC_SetPort(const PortRecord* record);
// Fills record with the selected port's full data: the selected record, completed from
// the registry entry of the same port (path, deviceName, deviceInfo, usbDeviceData and
// serial settings where the selected record has none). XJC_OK; XJC_E_NO_RECORD;
// XJC_E_NO_PORT when no port is selected.
XJC_API XJC_RESULT XJC_GetPort(PortRecord* record);
// Opens the selected port. mode 1: open and check that the printer answers a real-time
// status request (a port that does not answer is closed again); mode 0: open without a
// check. Opening the port that is already open only repeats the check (mode 1). The
// status monitor starts when a status or battery procedure is registered.
// XJC_OK; XJC_E_INVALID_ARG for another mode; XJC_E_NO_PORT when none is selected;
// XJC_E_IN_USE when another process holds the port; XJC_E_OPEN_FAILED when the device or
// connection cannot be opened; XJC_E_TIMEOUT, XJC_E_BAD_REPLY or XJC_E_IO when (mode 1)
// the printer does not answer properly.
XJC_API XJC_RESULT XJC_Open(std::int32_t mode);
// Stops the status monitor (waiting for it), switches automatic status off, closes the
// port and releases its lock. Registered procedures stay registered for the next open.
// Always XJC_OK (also when nothing is open).
XJC_API XJC_RESULT XJC_Close();
// Closes the open port and opens it again with the last mode. XJC_OK; XJC_E_NO_PORT;
// XJC_E_NOT_OPEN when no port is open; otherwise as XJC_Open.
XJC_API XJC_RESULT XJC_ReopenPort();
// Prepares the open printer: discards everything received, switches automatic status
// back on (GS a: online/offline, error, paper), asks for the current status and learns
// the model. XJC_OK; XJC_E_NOT_OPEN; XJC_E_TIMEOUT, XJC_E_BAD_REPLY or XJC_E_IO when the
// printer does not answer properly.
XJC_API XJC_RESULT XJC_Initialize();
// Ends all work: unregisters both procedures, stops the monitor (no library thread runs
// afterwards), closes the port and forgets the selection. Call before unloading the
// library. Always XJC_OK; the library may be used again afterwards.
XJC_API XJC_RESULT XJC_Terminate();
// Asks the printer at record's port for its model name (the model ID stands in when the
// name is not ready) and writes it into record->deviceName; an empty deviceInfo gets
// "<model> <interface>" ("XJ-K52II Ethernet", "… Serial", "… USB", "… Parallel",
// "… Bluetooth"). The port is opened on a connection of its own and closed again; the
// port this process has open is asked over the open connection. XJC_OK only when the
// printer answered; XJC_E_NO_RECORD; XJC_E_NO_PORT / XJC_E_INVALID_ARG for an unusable
// record; XJC_E_IN_USE when another process holds the port; XJC_E_OPEN_FAILED,
// XJC_E_TIMEOUT, XJC_E_BAD_REPLY, XJC_E_IO otherwise (record unchanged then).
XJC_API XJC_RESULT XJC_CommunicationTest(PortRecord* record);

// ---- status --------------------------------------------------------------------------------
// *status := the current status code (see above): the monitor's when it runs, otherwise
// asked from the printer now; 2 when the printer does not answer. XJC_OK;
// XJC_E_NO_RECORD; XJC_E_NOT_OPEN (with *status = 2) when no port is open.
XJC_API XJC_RESULT XJC_GetStatus(std::int32_t* status);
// Registers the status procedure (replacing an earlier one). While a port is open the
// monitor thread calls proc(code, context) once soon after registration and then whenever
// the code changes. XJC_OK; XJC_E_NO_RECORD for a null procedure.
XJC_API XJC_RESULT XJC_RegisterStatusProc(XJC_STATUS_PROC proc, void* context);
// Unregisters the status procedure. When it returns no further call starts, and a call
// running on another thread has returned; called from inside the procedure it returns at
// once. The monitor stops when no procedure is left. Always XJC_OK.
XJC_API XJC_RESULT XJC_UnregisterStatusProc();
// As XJC_RegisterStatusProc for the battery procedure, called with the battery code (see
// above) once after registration and whenever it changes.
XJC_API XJC_RESULT XJC_RegisterBatStatusProc(XJC_STATUS_PROC proc, void* context);
// As XJC_UnregisterStatusProc for the battery procedure.
XJC_API XJC_RESULT XJC_UnregisterBatStatusProc();
// Not supported by this library: XJC_E_NOT_SUPPORTED.
XJC_API XJC_RESULT XJC_RegisterDeviceStateCallback(XJC_DEVICE_STATE_PROC proc, void* context);
// Not supported by this library: XJC_E_NOT_SUPPORTED.
XJC_API XJC_RESULT XJC_UnregisterDeviceStateCallback();

// ---- capabilities -----------------------------------------------------------------------
// Whether the open printer's model has a feature: *supported := 1 or 0. Feature 6 is
// battery status reporting (DLE DC4 7 5), which the XJ-K52II has; other features are 0.
// The model is learnt from the printer (once per open). XJC_OK; XJC_E_NO_RECORD;
// XJC_E_NOT_OPEN; XJC_E_TIMEOUT etc. when the printer does not tell its model.
XJC_API XJC_RESULT XJC_IsSupported(std::int32_t feature, std::int32_t* supported);
// Whether the open printer's model accepts a command: *enabled := 1 or 0. Group 1 is the
// user setting commands; (0x0E, 0x30) the extended customized values for paper saving and
// cutting after the cover closes (values 100-105), (0x0E, 0x52) the model option values
// (116, 120, 122). The XJ-K52II accepts both; anything else is 0. Results as XJC_IsSupported.
XJC_API XJC_RESULT XJC_IsEnableCommand(std::int32_t group, std::int32_t code1, std::int32_t code2,
                                       std::int32_t* enabled);
// Not supported by this library: XJC_E_NOT_SUPPORTED.
XJC_API XJC_RESULT XJC_IsWatermarkSupported(std::int32_t* supported);
// Whether the printer's address can be set with ARP and ping: *supported := 1 for a known
// model on a network port, else 0. Results as XJC_IsSupported.
XJC_API XJC_RESULT XJC_IsARPSupported(std::int32_t* supported);

// ---- raw traffic for outside components (IXJComm) ------------------------------------
// Reads up to size bytes the printer sent, waiting at most timeoutMs for the first (0:
// only what is there). Automatic status blocks and XON/XOFF are taken out, and the
// library's own status questions never take the reply to a caller's XJC_Write (until the
// caller's next XJC_Purge). *done (may be null) := bytes read. XJC_OK; XJC_E_TIMEOUT when nothing came; XJC_E_NO_RECORD for a
// null buffer; XJC_E_NOT_OPEN; XJC_E_IO when the connection is lost.
XJC_API XJC_RESULT XJC_Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                            std::uint32_t timeoutMs);
// Sends size bytes within timeoutMs (0: 5 s); with flow control forced it waits for XON
// after an XOFF. *done (may be null) := bytes written. XJC_OK; XJC_E_TIMEOUT when not all
// could be sent in time; XJC_E_NO_RECORD; XJC_E_NOT_OPEN; XJC_E_IO.
XJC_API XJC_RESULT XJC_Write(const void* data, std::uint32_t size, std::uint32_t* done,
                             std::uint32_t timeoutMs);
// Discards everything received and not yet read. XJC_OK; XJC_E_NOT_OPEN.
XJC_API XJC_RESULT XJC_Purge();
// forced != 0: writes pause after the printer sent XOFF until it sends XON (within the
// write's time limit); 0: XON/XOFF are ignored. Kept for later opens. Always XJC_OK.
XJC_API XJC_RESULT XJC_SetFlowCtrlForced(std::int32_t forced);
// Connects to the printer again (after it restarted or the connection broke) and
// discards what was received. XJC_OK; XJC_E_NOT_OPEN; XJC_E_IO when it cannot reconnect.
XJC_API XJC_RESULT XJC_RecoverySending();
// Brings the connection back to a clean state between exchanges (discards what was
// received and any half-read reply). XJC_OK; XJC_E_NOT_OPEN.
XJC_API XJC_RESULT XJC_Reset();
// Not supported by this library: XJC_E_NOT_SUPPORTED.
XJC_API XJC_RESULT XJC_SetDisableOffOffline();
// Not supported by this library: XJC_E_NOT_SUPPORTED.
XJC_API XJC_RESULT XJC_SetResponseACK(std::int32_t on);

// ---- printer queries -----------------------------------------------------------------------
// The texts below are copied NUL-terminated into buffer of size characters. XJC_OK;
// XJC_E_NO_RECORD for a null buffer; XJC_E_BUFFER_TOO_SMALL (buffer[0] = 0 when size > 0)
// when text and terminator do not fit; XJC_E_NOT_OPEN; XJC_E_TIMEOUT etc. when the printer
// does not answer.
// The open printer's model name (GS I 67, learnt once per open).
XJC_API XJC_RESULT XJC_GetDeviceName(char16_t* buffer, std::uint32_t size);
// The selected port's portName (its path when portName is empty); no printer exchange;
// XJC_E_NO_PORT when no port is selected.
XJC_API XJC_RESULT XJC_GetPortName(char16_t* buffer, std::uint32_t size);
// The open printer's serial number (GS I 68).
XJC_API XJC_RESULT XJC_GetSerialNumber(char16_t* buffer, std::uint32_t size);
// The open printer's firmware version (GS I 65).
XJC_API XJC_RESULT XJC_GetFirmVersion(char16_t* buffer, std::uint32_t size);
// *version := the version of this library's interface, (major << 16) | minor = 0x0001001E
// (1.30). XJC_OK; XJC_E_NO_RECORD.
XJC_API XJC_RESULT XJC_GetAccessVersion(std::uint32_t* version);

// ---- not supported by this library -------------------------------------------------------
// Each returns XJC_E_NOT_SUPPORTED and changes nothing: port dialogs of the library's own,
// backup and restore files, and port connectors belong to other platforms.
XJC_API XJC_RESULT XJC_PortSetting(PortRecord* record);
XJC_API XJC_RESULT XJC_Backup(const char16_t* path);
XJC_API XJC_RESULT XJC_Restore(const char16_t* path);
XJC_API XJC_RESULT XJC_FileCheck(const char16_t* path);
XJC_API XJC_RESULT XJC_SetPortConnector(std::int32_t on);
XJC_API XJC_RESULT XJC_IsPortConnectorEnabled(std::int32_t* enabled);
