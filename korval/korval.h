/*
 * korval - the label printer's command library.
 *
 * Every drawing or control call becomes one command of the printer's text language. The
 * commands collect in a spool file, <current directory>/ombrixtemp.prn, and printing sends
 * that file to the printer in one piece: as one raw job titled "My PrintJob" to a CUPS
 * queue, or with one write to a USB printer (/dev/usb/lpN).
 *
 * Sign rule for every export returning int: 0 is success; negative codes are errors, and
 * each one is also kept as the last error (OBX_GetErrState). The few exports that return
 * something else say so.
 *
 * Calling order for one label:
 *   OpenPort (or OpenUSBPort)          open an output
 *   OBX_ClearBuffer                    start a new spool file with "N"
 *   any command builders               each appends one command
 *   OBX_PrintLabel                     appends "W" and sends the spool file
 *     (or OBX_PrintLabelAuto then OBX_WritePrinter)
 *   ClosePort                          closes the output, deletes the spool file
 * Sending closes the spool file, so every further label starts with OBX_ClearBuffer.
 * Every builder first checks that an output is open and fails with its own code from the
 * -3000 series when none is.
 *
 * Strings are narrow byte strings (the program passes UTF-8) and are written unchanged; a
 * double quote inside them is not escaped. A null string is written as an empty one (and
 * fails the length check of a name). Texts of any length are written whole.
 *
 * The library keeps one process-wide state and is not thread-safe: call it from one
 * thread. The CUPS server is the one libcups is configured for (CUPS_SERVER,
 * client.conf).
 */
#ifndef KORVAL_H
#define KORVAL_H

#if defined(_WIN32) && defined(KORVAL_BUILDING)
#define KORVAL_API __declspec(dllexport)
#elif defined(_WIN32)
#define KORVAL_API __declspec(dllimport)
#else
#define KORVAL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Outputs -------------------------------------------------------------------------- */

/* Opens the CUPS queue `printerName` as the output and allocates the command buffers.
 * 0; -1000 an output is already open (it stays open); -1001, -1002 a buffer could not be
 * allocated; -1003 no such queue; -4000 the queue is stopped or not accepting jobs ("work
 * offline"): the output is open nevertheless, and -4000 is returned only, not stored as
 * the last error. */
KORVAL_API int OpenPort(const char *printerName);

/* Closes whatever output is open, frees the buffers and deletes the spool file. Harmless
 * when nothing is open. Always 0. */
KORVAL_API int ClosePort(void);

/* Opens a USB printer as the output. `portNumber` is the printer port, 1 for /dev/usb/lp0
 * (USB001), 2 for lp1, ...; 255 takes the first supported printer whatever its port.
 * Supported printers are matched by vendor and product id. A USB printer already open is
 * closed first. 0; -1060 no matching printer could be opened; -1001, -1002 no memory. */
KORVAL_API int OpenUSBPort(unsigned int portNumber);

/* Closes the USB printer and frees the buffers; the spool file stays. Always 0. */
KORVAL_API int CloseUSBPort(void);

/* Sets the line of the serial status port while it is open (only inside OBX_ErrorReport).
 * `baudRate` must be one of 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
 * 56000, 128000, 256000 and is then clamped to 9600...56000; `handshake` non-zero turns on
 * CTS/RTS flow control. 0; -1026 no serial port open; -1027 rate not in the list; -1028
 * the port refused the settings. */
KORVAL_API int SetPCComPort(unsigned int baudRate, int handshake);

/* Opens the CUPS queue `printerName` as the output, like OpenPort without the offline
 * check. Returns a non-zero handle, or 0 when the queue is unknown (-1003) or an output is
 * already open (-1000). */
KORVAL_API int OBX_OpenPrinter(const char *printerName);

/* Closes the queue opened by OBX_OpenPrinter or OpenPort. 1 when one was closed, 0 when
 * none was open. */
KORVAL_API int OBX_ClosePrinter(void);

/* Returns the last error code stored by any export (0 when none failed yet). */
KORVAL_API int OBX_GetErrState(void);

/* Returns the instance field (the third '#'-separated field) of the interface path of the
 * USB printer at `portNumber` (255 = the first), e.g. its serial number. The text belongs
 * to the library and stays valid until the next USB open. Null (-2111) when no such
 * printer is found. */
KORVAL_API const char *OBX_GetUSBID(unsigned int portNumber);

/* ---- Spool file and sending ----------------------------------------------------------- */

/* Creates the spool file anew and writes "N\r\n" into it. 0; -3001 no output open; -2001
 * the file could not be created; -2002 the first command could not be written. */
KORVAL_API int OBX_ClearBuffer(void);

/* Sends the spool file as it is. 0; -2897 the spool file cannot be read; -1041 no memory
 * (the port is closed); -1045 no queue open; -1042 the job could not be started; -1043 the
 * data could not be written; -1044 the job could not be finished. For a USB printer:
 * -1046 the spool file cannot be read; -1047 no memory (the printer is closed); -1043 the
 * printer took fewer bytes than sent. */
KORVAL_API int OBX_WritePrinter(void);

/* Appends the file `fileName` to the spool file and sends it (an empty file sends the
 * spool file unchanged). -3048 no output open; -2109 the file cannot be opened; -3071 it
 * cannot be read; -2102 appending failed; otherwise the result of the send
 * (OBX_WritePrinter). */
KORVAL_API int OBX_SendFile(const char *fileName);

/* ---- Status queries ------------------------------------------------------------------- */

/* Asks the printer on serial port COM1...COM3 (`comPort` 1 to 3: /dev/ttyS0...ttyS2) for
 * its status: sends "^ee\r\n" and waits up to `waitSeconds` seconds for a four-byte reply
 * whose first two bytes are the decimal status. `reserved` is not used; `baudRate` and
 * `handshake` as for SetPCComPort (a rate outside the list leaves the line at 9600 baud).
 * Ends with ClosePort: a label being built is lost. Returns the status (0 to 99); -2127
 * the port could not be opened; -2128 no reply in time; -1010 to -1023 the reader could
 * not be set up; -3074 the request could not be sent. */
KORVAL_API int OBX_ErrorReport(int comPort, int reserved, unsigned int baudRate, int handshake,
                               int waitSeconds);

/* Reads the status byte of the USB printer at `portNumber` (255 = the first) from the
 * printer class driver. Ends with ClosePort. Returns the byte (0 to 255); -2129 no such
 * printer; -2130 the driver refused the request. */
KORVAL_API int OBX_ErrorReportUSB(unsigned int portNumber);

/* ---- Set-up and printing --------------------------------------------------------------
 * Each builder below writes exactly the command shown (printf notation, \r\n = CR LF).
 * Codes are given as: invalid argument / write failed / no output open. An argument that
 * is "rejected" writes nothing; one that is "coerced" is replaced and the command is
 * written. */

/* T60,60,0,2,1,1,N,"KORVAL.DLL Ver: 10.0.0.5180712"  -  / -2000 / -3000 */
KORVAL_API int OBX_GetInfo(void);
/* H%d (darkness)  - / -2003 / -3002 */
KORVAL_API int OBX_SetDarkness(int darkness);
/* S%d (speed)  - / -2004 / -3003 */
KORVAL_API int OBX_SetPrintSpeed(int speed);
/* flag 0: Q%d,%d (height, p2); flag non-zero: Q%d,B%d+%d (height, p2, p3) for p3 >= 0
 * and Q%d,B%d%d (p3 with its minus sign) for a negative p3. A height outside 1...65535 or
 * a p2 outside 0...240 writes nothing and returns 0.  - / -2006 / -3004 */
KORVAL_API int OBX_SetLabelHeight(int height, unsigned int p2, int p3, int flag);
/* q%d (width)  - / -2007 / -3005 */
KORVAL_API int OBX_SetLabelWidth(int width);
/* Z%c (direction)  - / -2008 / -3006 */
KORVAL_API int OBX_SetDirection(char direction);
/* R%d,%d (x, y)  - / -2010 / -3007 */
KORVAL_API int OBX_SetCoordinateOrigin(int x, int y);
/* W%d,%d, then sends the spool file as OBX_WritePrinter does. Both values 1...65535; a
 * bad value writes no W command and the spool file is still sent. Returns the send's
 * code when the send fails, else -2012 (bad value), -2011 (write failed) or 0; -3008 no
 * output open (nothing sent). */
KORVAL_API int OBX_PrintLabel(int p1, int p2);
/* WA%d,%d; nothing is sent. p1 outside 1...65535 is rejected; p2 outside 1...65535 is
 * coerced to 1.  -2014 / -2013 / -3009 */
KORVAL_API int OBX_PrintLabelAuto(int p1, int p2);

/* ---- Text and bar codes --------------------------------------------------------------- */

/* T%d,%d,%d,%d,%d,%d,%c,"%s" (x, y, p3, f, p5, p6, c, text); f is written as a number
 * for 1...6 and as a character for 'A'...'Z' and 'a'. Rejected: p3 outside 0...3, another
 * f, p5 or p6 outside 1...24, c not 'N' or 'R'.  -2016 / -2015 / -3010 */
KORVAL_API int OBX_DrawText(int x, int y, int p3, int f, int p5, int p6, char c, const char *text);
/* As OBX_DrawText; with `unquoted` non-zero the text is written without quotes.
 * -2018 / -2017 / -3011 */
KORVAL_API int OBX_DrawTextEx(int x, int y, int p3, int f, int p5, int p6, char c, const char *text,
                              int unquoted);
/* B%d,%d,%d,%s,%d,%d,%d,%c,"%s" (x, y, p3, s, p5, p6, p7, c, data). Rejected: p3 outside
 * 0...3, c not 'N' or 'B'.  -2027 / -2026 / -3013 */
KORVAL_API int OBX_DrawBarcode(int x, int y, int p3, const char *s, int p5, int p6, int p7, char c,
                               const char *data);
/* As OBX_DrawBarcode; with `unquoted` non-zero the data is written without quotes.
 * -2029 / -2027 / -3014 */
KORVAL_API int OBX_DrawBarcodeEx(int x, int y, int p3, const char *s, int p5, int p6, int p7,
                                 char c, const char *data, int unquoted);
/* b%d,%d,DX,%d,%d,o%d,m%d,"%s". o outside 0...3 is coerced to 0, m outside 1...9 to 1.
 * - / -2031 / -3015 */
KORVAL_API int OBX_DrawBar2D_DATAMATRIX(int x, int y, int p3, int p4, int o, int m,
                                        const char *data);
/* b%d,%d,QR,%d,%d,o%d,r%d,m%d,g%d,s%d,"%s" (x, y, p3, p4, rotation o, magnification r,
 * m, error-correction level g, mask s with 8 = automatic, data). Coerced: r outside
 * 1...99 to 1, o outside 0...3 to 0, m outside 0...4 to 0, g outside 0...3 to 0, s outside
 * 0...8 to 0.  - / -2034 / -3016 */
KORVAL_API int OBX_DrawBar2D_QR(int x, int y, int p3, int p4, int o, int r, int m, int g, int s,
                                const char *data);
/* b%d,%d,M,%d,%d,"%s". p3 outside 2...4 is coerced to 2, p4 outside 0...1 to 0.
 * - / -2039 / -3018 */
KORVAL_API int OBX_DrawBar2D_MaxiCode(int x, int y, int p3, int p4, const char *data);
/* b%d,%d,P,%d,%d,s%d,c%d,x%d,y%d,r%d,l%d,t%d,o%d,"%s". Rejected: s outside 0...8, c not
 * 0 or 1, x outside 0...8, y outside 4...99, t not 0 or 1, o outside 0...3, data longer
 * than 2710 bytes.  -2043 / -2042 / -3019 */
KORVAL_API int OBX_DrawBar2D_Pdf417(int x, int y, int p3, int p4, int s, int c, int px, int py,
                                    int r, int l, int t, int o, const char *data);
/* b%d,%d,HX,%d,%d,m%d,o%d,r%d,g%d,s%d,"%s" (note the order m, o, r). Coerced: m outside
 * 0...5 to 6, o outside 0...3 to 0, r outside 0...29 to 30, g and s outside 0...3 to 3.
 * - / -2045 / -3020 */
KORVAL_API int OBX_DrawBar2D_HANXIN(int x, int y, int p3, int p4, int o, int r, int m, int g, int s,
                                    const char *data);

/* ---- Lines and boxes (no checks) ------------------------------------------------------ */

/* X%d,%d,%d,%d,%d  - / -2079 / -3032 */
KORVAL_API int OBX_DrawRectangle(int x, int y, int p3, int p4, int p5);
/* LE%d,%d,%d,%d  - / -2080 / -3033 */
KORVAL_API int OBX_DrawLineXor(int x, int y, int p3, int p4);
/* LO%d,%d,%d,%d  - / -2081 / -3034 */
KORVAL_API int OBX_DrawLineOr(int x, int y, int p3, int p4);
/* LS%d,%d,%d,%d,%d  - / -2082 / -3035 */
KORVAL_API int OBX_DrawDiagonal(int x, int y, int p3, int p4, int p5);
/* LW%d,%d,%d,%d  - / -2083 / -3036 */
KORVAL_API int OBX_DrawWhiteLine(int x, int y, int p3, int p4);

/* ---- Fonts, forms, counters and variables ---------------------------------------------
 * A name is 1 to 16 bytes; another length is rejected. */

/* EI  - / -2084 / -3037 */
KORVAL_API int OBX_SoftFontList(void);
/* EK"%c"; the font id 'A'...'Z' or '*'.  -2085 / -2086 / -3038 */
KORVAL_API int OBX_SoftFontDel(char fontId);
/* FI  - / -2087 / -3039 */
KORVAL_API int OBX_FormList(void);
/* FK"%s"  -2089 / -2090 / -3040 */
KORVAL_API int OBX_FormDel(const char *formName);
/* FS"%s"  -2092 / -2093 / -3041 */
KORVAL_API int OBX_FormDownload(const char *formName);
/* FE  - / -2094 / -3042 */
KORVAL_API int OBX_FormEnd(void);
/* FR"%s"  -2096 / -2097 / -3043 */
KORVAL_API int OBX_ExecForm(const char *formName);
/* C%d,%d,%c,%s,"%s". Rejected: p1 outside 0...9, p2 outside 1...40, c not 'L', 'C', 'R'
 * or 'N'.  -2101 / -2100 / -3044 */
KORVAL_API int OBX_DefineCounter(int p1, int p2, char c, const char *s1, const char *s2);
/* V%d,%d,%c,"%s". Rejected: p1 outside 0...99, p2 outside 1...99, c not 'L', 'C', 'R' or
 * 'N'.  -2104 / -2102 / -3045 */
KORVAL_API int OBX_DefineVariable(int p1, int p2, char c, const char *s);
/* ?  - / -2105 / -3046 */
KORVAL_API int OBX_Download(void);
/* %s (the text as a line of its own)  - / -2107 / -3047 */
KORVAL_API int OBX_DownloadInitVar(const char *text);
/* g%d; the gap is coerced into -99...99.  - / -2137 / -3067 */
KORVAL_API int OBX_SetFontGap(int gap);
/* BF"%c",%d,%d  - / -2138 / -3068 */
KORVAL_API int OBX_SetBarCodeFontName(char c, int p2, int p3);
/* I%d,%c,%s  - / -2139 / -3069 */
KORVAL_API int OBX_SetCharSets(int p1, char p2, const char *p3);
/* CF%d,%c,%s  - / -2140 / -3070 */
KORVAL_API int OBX_RenameDownloadFont(int p1, char p2, const char *p3);

/* ---- Printer control and RFID --------------------------------------------------------- */

/* JB  - / -2112 / -3049 */
KORVAL_API int OBX_DisableBackFeed(void);
/* JF  - / -2113 / -3050 */
KORVAL_API int OBX_EnableBackFeed(void);
/* U  - / -2114 / -3051 */
KORVAL_API int OBX_PrintConfiguration(void);
/* O%c; the state 'P', 'L', 'D', 'C' or 'N'.  -2116 / -2115 / -3052 */
KORVAL_API int OBX_SetPrinterState(char state);
/* ZS  - / -2119 / -3055 */
KORVAL_API int OBX_EnableFLASH(void);
/* ZN  - / -2120 / -3056 */
KORVAL_API int OBX_DisableFLASH(void);
/* FM  - / -2121 / -3057 */
KORVAL_API int OBX_FeedMedia(void);
/* MD  - / -2122 / -3058 */
KORVAL_API int OBX_MediaDetect(void);
/* #UM>CP%03d; outside 1...999 coerced to 1.  - / -2123 / -3059 */
KORVAL_API int OBX_CutPage(int n);
/* CT%d; outside 1...999 coerced to 1.  - / -2124 / -3060 */
KORVAL_API int OBX_CutPageEx(int n);
/* ^@  - / -2125 / -3061 */
KORVAL_API int OBX_Reset(void);
/* ^ee (the status request, here only added to the spool file)  - / -2126 / -3062 */
KORVAL_API int OBX_FeedBack(void);
/* RF%d,%d,%d,%d,%d,"%s"  - / -2132 / -3063 */
KORVAL_API int OBX_RWRFIDLabel(int p1, int p2, int p3, int p4, int p5, const char *data);
/* RZ%d,%d,"%s"  - / -2134 / -3064 */
KORVAL_API int OBX_SetRFLabelPWAndLockRFLabel(int p1, int p2, const char *data);
/* RS%d,%d,%d,%d,%d  - / -2136 / -3066 */
KORVAL_API int OBX_SetRFID(int p1, int p2, int p3, int p4, int p5);
/* MR  - / -2166 / -3074 */
KORVAL_API int OBX_RFIDCalibrate(void);
/* RA%d,%d,%d,%d,%d,"%s"  - / -2168 / -3075 */
KORVAL_API int OBX_RWRFIDLabelEx(int p1, int p2, int p3, int p4, int p5, const char *data);

/* ---- Graphics, TrueType text and library-drawn QR codes --------------------------------
 * The printer stores graphics by name (1 to 16 bytes). PCX graphics are one bit per pixel,
 * a clear bit printing black; raw bitmaps are rows of whole bytes, top row first, the
 * leftmost dot in the most significant bit, a set bit printing black. Graphic data follows
 * its command header without a line end and is written in pieces of at most 1,024,000
 * bytes, in order. Codes as above: invalid argument / write failed / no output open. */

/* GI  - / -2047 / -3021 */
KORVAL_API int OBX_PcxGraphicsList(void);
/* GK"%s" (delete the PCX graphic `name`)  -2049 / -2050 / -3022 */
KORVAL_API int OBX_PcxGraphicsDel(const char *name);
/* GM"%s"%d (name, file size in bytes), then the bytes of the PCX file at `pcxPath`.
 * -2054 bad name; -2053 the file cannot be opened; -2052 no memory; -2055 the header
 * could not be written; -2056 the data could not be read or written; -3023 no output. */
KORVAL_API int OBX_PcxGraphicsDownload(const char *name, const char *pcxPath);
/* GG%d,%d,"%s" (x, y, name)  -2058 / -2059 / -3024 */
KORVAL_API int OBX_DrawPcxGraphics(int x, int y, const char *name);
/* Deletes, downloads and draws at (x, y) the PCX file `pcxPath` under a name made of its
 * last 15 bytes (the whole path when shorter than 16). -2060 when any step fails (that
 * step's own code is what OBX_GetErrState showed before); -3025 no output. */
KORVAL_API int OBX_PrintPCX(int x, int y, const char *pcxPath);
/* Converts the Windows BMP `bmpPath` (1 or 24 bits per pixel, uncompressed) to a PCX file
 * written beside it as `bmpPath` + ".pcx" (it stays there), turned by `rotation` (1 = 90
 * degrees clockwise, 2 = 180, 3 = 90 counter-clockwise, other values none), and downloads
 * it as GM"%s"%d under `name`. A 24-bit pixel prints black when its luminance
 * (30 R + 59 G + 11 B) / 100 is below 128; a 1-bit picture prints its dark colour. 0;
 * -2143 the BMP cannot be read, is cut short or malformed (sizes, offsets, dimensions of
 * zero, negative or above 65535); -2063 neither 1 nor 24 bits per pixel, or compressed
 * (conversion codes: nothing is downloaded); -2064 the PCX file cannot be written or
 * opened; -2065 bad name; -2066 the header could not be written; -2067 the data could not
 * be written; -3026 no output. */
KORVAL_API int OBX_BmpGraphicsDownload(const char *name, const char *bmpPath, int rotation);
/* BI  - / -2068 / -3027 */
KORVAL_API int OBX_BinGraphicsList(void);
/* BK"%s" (delete the raw graphic `name`)  -2070 / -2071 / -3028 */
KORVAL_API int OBX_BinGraphicsDel(const char *name);
/* GD"%s"%d,%d, (name, width in bytes, height in dots), then widthBytes * height bytes of
 * `data`. A failed header is reported after the data has still been written (-2072); a
 * failed data write ends at once (-2073); -3029 no output. The name is not checked. */
KORVAL_API int OBX_BinGraphicsDownload(const char *name, int widthBytes, int height,
                                       const unsigned char *data);
/* GC%d,%d,"%s" (x, y, name: recall a stored raw graphic)  -2076 / -2075 / -3030 */
KORVAL_API int OBX_RecallBinGraphics(int x, int y, const char *name);
/* GW%d,%d,%d,%d (x, y, width in bytes, height in dots), then widthBytes * height bytes of
 * `data`, drawn without being stored. -2077 header (reported after the data), -2078 data;
 * -3031 no output. */
KORVAL_API int OBX_DrawBinGraphics(int x, int y, int widthBytes, int height,
                                   const unsigned char *data);

/* Renders `text` in a TrueType face into a one-bit bitmap, stores it as the PCX graphic
 * `graphicName` (through the temporary file <current directory>/ombrix.pcx, deleted on
 * every path) and draws it with GG. `height` is the character cell (ascent + descent) in
 * dots when positive, the em size when negative; `width` 0 keeps the natural width, else
 * it is the average character width; `faceName` is found by fontconfig (a face that is
 * not installed gives the one substituted for it, "Arial" gives Liberation Sans); `weight`
 * 100...900, 0 meaning 400, faces without that weight are emboldened; `italic`,
 * `underline`, `strikeOut` non-zero to turn them on; `text` is UTF-8 (or Windows-1252).
 * `orientation`: 1 top-left corner at (x, y); 2 turned 90 degrees clockwise, left of x;
 * 3 upside down, left of x and above y; 4 turned 90 degrees counter-clockwise, above y;
 * 5 to 8 the same turns centred on (x, y). The bitmap's sides are rounded up to 16 dots;
 * a graphic that would start left of or above the label is moved to 0. 0; -2019 the font
 * machinery failed or `orientation` is outside 1...8; -2020 the bitmap would be too large
 * (beyond 16 MiB or 65535 dots a side); -2022, -2023, -2025 the PCX file could not be
 * made; the codes of OBX_PcxGraphicsDownload; -3012 no output. Nothing is drawn when the
 * graphic could not be stored. */
KORVAL_API int OBX_DrawTextTrueTypeW(unsigned int x, unsigned int y, int height, int width,
                                     const char *faceName, int orientation, int weight, int italic,
                                     int underline, int strikeOut, const char *graphicName,
                                     const char *text);

/* Encodes `data` as a QR code (model 2) in the library, turns it by `rotation` (as for
 * BMP), makes each module `magnification` dots square (0 and values above 99 mean 1) and
 * sends it with BK, GD and GC as the raw graphic `graphicName` recalled at (x, y).
 * `level` 0 L, 1 M, 2 Q, 3 H; `version` 0 the smallest that fits, 1...40 forced; `mask`
 * 0...7, or 8 for the lowest penalty. Data is a byte string: digits, the 45 alphanumeric
 * characters, Shift JIS kanji and other bytes are each encoded in their own mode. 0; -2037
 * the data is empty or too long, the forced version is too small, or level, version or
 * mask is out of range (nothing written); else the first failing code of
 * OBX_BinGraphicsDel, OBX_BinGraphicsDownload, OBX_RecallBinGraphics; -3017 no output. */
KORVAL_API int OBX_DrawBar2D_QREx(int x, int y, int rotation, int magnification, int level,
                                  int version, int mask, const char *graphicName, const char *data);

#ifdef __cplusplus
}
#endif

#endif /* KORVAL_H */
