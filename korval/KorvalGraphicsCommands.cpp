// Stored graphics of the printer: PCX files (as they are, converted from BMP, or written
// from a rendered text line) and raw bitmaps, with their list, delete, draw and recall
// commands. Graphic data goes into the spool file in pieces of at most one buffer.
#include "KorvalApiLock.h"
#include "KorvalBmp.h"
#include "KorvalCommand.h"
#include "KorvalGraphics.h"
#include "KorvalPcx.h"
#include "KorvalSpoolFile.h"
#include "korval.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char *kTextGraphicFile = "/ombrix.pcx"; // in the current directory
constexpr size_t kPrintPcxNameLength = 15; // OBX_PrintPCX names a graphic by its path's tail

// Codes of one file download: open, header write, data write, no memory.
struct FileDownloadCodes
{
    int open;
    int header;
    int data;
    int memory;
};

// Larger than any picture a label printer stores; a larger "graphic" is refused unread.
constexpr size_t kLargestDownload = 64u * 1024 * 1024;

// Reads the whole file first, so that nothing is written for a file that cannot be read
// to its end (a folder, a pipe, a file cut short), then writes GM"name"size and the bytes
// in pieces. 0 or a code (stored).
int downloadFile(const char *name, const char *path, const FileDownloadCodes &codes)
{
    std::FILE *file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return korvalFail(codes.open);
    std::vector<char> bytes;
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[kKorvalBufferSize]);
    int result = chunk ? 0 : codes.memory;
    while (result == 0) {
        const size_t got = std::fread(chunk.get(), 1, kKorvalBufferSize, file);
        if (std::ferror(file))
            result = codes.open;
        else if (bytes.size() + got > kLargestDownload)
            result = codes.memory;
        else
            bytes.insert(bytes.end(), chunk.get(), chunk.get() + got);
        if (got == 0 || std::feof(file))
            break;
    }
    std::fclose(file);
    if (result != 0)
        return korvalFail(result);
    if (korvalWriteCommand("GM\"%s\"%s\r\n", name, std::to_string(bytes.size()).c_str()) != 0)
        return korvalFail(codes.header);
    if (korvalWriteChunked(bytes.data(), bytes.size()) != 0)
        return korvalFail(codes.data);
    return 0;
}

// Commands that place a named graphic: <word>x,y,"<name>".
int placeCommand(int noOutputCode, int invalidCode, int writeCode, const char *word, int x, int y,
                 const char *name)
{
    if (!korvalOutputOpen())
        return korvalFail(noOutputCode);
    if (!korvalNameValid(name))
        return korvalFail(invalidCode);
    return korvalCommand(writeCode, "%s%d,%d,\"%s\"\r\n", word, x, y, name);
}

// The size of a raw bitmap's data; 0 for sizes that are not positive.
size_t rawGraphicSize(int widthBytes, int height)
{
    return widthBytes > 0 && height > 0
               ? static_cast<size_t>(widthBytes) * static_cast<size_t>(height)
               : 0;
}

// Raw bitmap data after its header: nothing at all is written without data, and a failed
// header writes no data.
int writeRawGraphic(int headerResult, int headerCode, int dataCode, int widthBytes, int height,
                    const unsigned char *data)
{
    if (headerResult != 0)
        return korvalFail(headerCode);
    const size_t size = rawGraphicSize(widthBytes, height);
    if (size > 0 && korvalWriteChunked(data, size) != 0)
        return korvalFail(dataCode);
    return 0;
}

} // namespace

int downloadBitmapAsPcx(const unsigned char *bits, int width, int height, int depth,
                        const char *name)
{
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PCX_BITMAP);
    if (depth != 1 || width <= 0 || height <= 0 || width % 8 != 0)
        return korvalFail(KORVAL_ERR_PCX_BITMAP);
    const std::string directory = korvalCurrentDirectory();
    if (directory.empty())
        return korvalFail(KORVAL_ERR_PCX_CREATE);
    const std::string path = directory + kTextGraphicFile;
    if (const int code = writeBitmapPcxFile(path.c_str(), bits, width, height))
        return korvalFail(code); // the file is already gone
    OBX_PcxGraphicsDel(name);
    const int result = OBX_PcxGraphicsDownload(name, path.c_str());
    korvalState().lastError = result;
    korvalSpoolFileDelete(path);
    return result;
}

extern "C" KORVAL_API int OBX_PcxGraphicsList(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_PCX_LIST, KORVAL_ERR_WRITE_PCX_LIST, "GI\r\n");
}

extern "C" KORVAL_API int OBX_PcxGraphicsDel(const char *name)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_PCX_DEL, KORVAL_ERR_INVALID_PCX_DEL,
                              KORVAL_ERR_WRITE_PCX_DEL, "GK", name);
}

extern "C" KORVAL_API int OBX_PcxGraphicsDownload(const char *name, const char *pcxPath)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PCX_DOWNLOAD);
    if (!korvalNameValid(name))
        return korvalFail(KORVAL_ERR_INVALID_PCX_DOWNLOAD);
    return downloadFile(name, pcxPath,
                        {KORVAL_ERR_OPEN_PCX_DOWNLOAD, KORVAL_ERR_HEADER_PCX_DOWNLOAD,
                         KORVAL_ERR_DATA_PCX_DOWNLOAD, KORVAL_ERR_MEMORY_PCX_DOWNLOAD});
}

extern "C" KORVAL_API int OBX_DrawPcxGraphics(int x, int y, const char *name)
{
    const KorvalApiLock lock;
    return placeCommand(KORVAL_ERR_NO_OUTPUT_DRAW_PCX, KORVAL_ERR_INVALID_DRAW_PCX,
                        KORVAL_ERR_WRITE_DRAW_PCX, "GG", x, y, name);
}

extern "C" KORVAL_API int OBX_PrintPCX(int x, int y, const char *pcxPath)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_PRINT_PCX);
    const std::string path = korvalText(pcxPath);
    const std::string name =
        path.size() > kPrintPcxNameLength ? path.substr(path.size() - kPrintPcxNameLength) : path;
    if (OBX_PcxGraphicsDel(name.c_str()) != 0 ||
        OBX_PcxGraphicsDownload(name.c_str(), pcxPath) != 0 ||
        OBX_DrawPcxGraphics(x, y, name.c_str()) != 0)
        return korvalFail(KORVAL_ERR_PRINT_PCX);
    return 0;
}

extern "C" KORVAL_API int OBX_BmpGraphicsDownload(const char *name, const char *bmpPath,
                                                  int rotation)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_BMP_DOWNLOAD);
    // A failed conversion stops here: a ".pcx" left from an earlier one is not this picture.
    const int converted = convertBmpToPcx(bmpPath, rotation);
    korvalState().lastError = converted;
    if (converted != 0)
        return converted;
    const std::string pcxPath = std::string(bmpPath) + ".pcx";
    std::FILE *probe = std::fopen(pcxPath.c_str(), "rb");
    if (!probe)
        return korvalFail(KORVAL_ERR_BMP_PCX_FILE);
    std::fclose(probe);
    if (!korvalNameValid(name))
        return korvalFail(KORVAL_ERR_INVALID_BMP_DOWNLOAD);
    return downloadFile(name, pcxPath.c_str(),
                        {KORVAL_ERR_BMP_PCX_FILE, KORVAL_ERR_HEADER_BMP_DOWNLOAD,
                         KORVAL_ERR_DATA_BMP_DOWNLOAD, KORVAL_ERR_BMP_PCX_FILE});
}

extern "C" KORVAL_API int OBX_BinGraphicsList(void)
{
    const KorvalApiLock lock;
    return korvalFixedCommand(KORVAL_ERR_NO_OUTPUT_BIN_LIST, KORVAL_ERR_WRITE_BIN_LIST, "BI\r\n");
}

extern "C" KORVAL_API int OBX_BinGraphicsDel(const char *name)
{
    const KorvalApiLock lock;
    return korvalNamedCommand(KORVAL_ERR_NO_OUTPUT_BIN_DEL, KORVAL_ERR_INVALID_BIN_DEL,
                              KORVAL_ERR_WRITE_BIN_DEL, "BK", name);
}

extern "C" KORVAL_API int OBX_BinGraphicsDownload(const char *name, int widthBytes, int height,
                                                  const unsigned char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_BIN_DOWNLOAD);
    if (!korvalLineText(name))
        return korvalFail(KORVAL_ERR_INVALID_BIN_DOWNLOAD);
    if (rawGraphicSize(widthBytes, height) > 0 && !data)
        return korvalFail(KORVAL_ERR_DATA_BIN_DOWNLOAD);
    const int header = korvalWriteCommand("GD\"%s\"%d,%d,", korvalText(name), widthBytes, height);
    return writeRawGraphic(header, KORVAL_ERR_HEADER_BIN_DOWNLOAD, KORVAL_ERR_DATA_BIN_DOWNLOAD,
                           widthBytes, height, data);
}

extern "C" KORVAL_API int OBX_RecallBinGraphics(int x, int y, const char *name)
{
    const KorvalApiLock lock;
    return placeCommand(KORVAL_ERR_NO_OUTPUT_RECALL_BIN, KORVAL_ERR_INVALID_RECALL_BIN,
                        KORVAL_ERR_WRITE_RECALL_BIN, "GC", x, y, name);
}

extern "C" KORVAL_API int OBX_DrawBinGraphics(int x, int y, int widthBytes, int height,
                                              const unsigned char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_BIN);
    if (rawGraphicSize(widthBytes, height) > 0 && !data)
        return korvalFail(KORVAL_ERR_DATA_DRAW_BIN);
    const int header = korvalWriteCommand("GW%d,%d,%d,%d", x, y, widthBytes, height);
    return writeRawGraphic(header, KORVAL_ERR_HEADER_DRAW_BIN, KORVAL_ERR_DATA_DRAW_BIN, widthBytes,
                           height, data);
}
