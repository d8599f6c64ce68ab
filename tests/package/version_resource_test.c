/* Reads the version resources of the DLL and of vonkelcam.exe back through the Windows
 * version API and compares them with what Vonkel_GetDllVersion returns: the fixed file and
 * product versions' high 32 bits are that value, the strings are its two halves and 0.0.
 *
 * Usage: version_resource_test VONKELCAM   (the tool's file name, beside this program) */
#include <stdio.h>
#include <string.h>
#include <stdlib.h>
#include "VonkelSdk.h"

static int g_failures;

static void Expect(int ok, const char *file, const char *what)
{
    if (!ok) {
        printf("%s: %s\n", file, what);
        ++g_failures;
    }
}

/* A string of the first translation the resource lists; "" when there is none. */
static const char *StringValue(void *data, const char *name)
{
    WORD *translation;
    char *value;
    char query[128];
    UINT length = 0;
    if (!VerQueryValueA(data, "\\VarFileInfo\\Translation", (void **)&translation, &length) || length < 4)
        return "";
    snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
    return VerQueryValueA(data, query, (void **)&value, &length) && length > 0 ? value : "";
}

static void CheckFile(const char *path, const char *fileName, DWORD fileType)
{
    const DWORD version = (DWORD)Vonkel_GetDllVersion();
    const char *names[] = {"CompanyName", "FileDescription", "ProductName"};
    char expected[32];
    VS_FIXEDFILEINFO *fixed;
    UINT length = 0;
    DWORD size = GetFileVersionInfoSizeA(path, NULL);
    void *data = size ? malloc(size) : NULL;
    size_t i;

    if (!data || !GetFileVersionInfoA(path, 0, size, data)) {
        Expect(0, path, "no version resource");
        free(data);
        return;
    }
    if (!VerQueryValueA(data, "\\", (void **)&fixed, &length) || length < sizeof *fixed ||
        fixed->dwSignature != 0xFEEF04BD) {
        Expect(0, path, "no fixed file information");
        free(data);
        return;
    }
    printf("%s: file version %lu.%lu.%lu.%lu, product version %lu.%lu.%lu.%lu\n", fileName,
           fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
           fixed->dwFileVersionLS & 0xFFFF, fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF,
           fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF);
    Expect(fixed->dwFileVersionMS == version && fixed->dwFileVersionLS == 0, fileName,
           "fixed file version is not Vonkel_GetDllVersion's");
    Expect(fixed->dwProductVersionMS == version && fixed->dwProductVersionLS == 0, fileName,
           "fixed product version is not Vonkel_GetDllVersion's");
    Expect(fixed->dwFileType == fileType, fileName, "wrong file type");

    snprintf(expected, sizeof expected, "%lu.%lu.0.0", version >> 16, version & 0xFFFF);
    printf("  FileVersion \"%s\", ProductVersion \"%s\", OriginalFilename \"%s\"\n", StringValue(data, "FileVersion"),
           StringValue(data, "ProductVersion"), StringValue(data, "OriginalFilename"));
    Expect(strcmp(StringValue(data, "FileVersion"), expected) == 0, fileName, "FileVersion string differs");
    Expect(strcmp(StringValue(data, "ProductVersion"), expected) == 0, fileName, "ProductVersion string differs");
    Expect(_stricmp(StringValue(data, "OriginalFilename"), fileName) == 0, fileName, "OriginalFilename differs");
    for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
        printf("  %s \"%s\"\n", names[i], StringValue(data, names[i]));
        Expect(StringValue(data, names[i])[0] != 0, fileName, names[i]);
    }
    free(data);
}

int main(int argc, char **argv)
{
    char dll[MAX_PATH], tool[MAX_PATH], *slash;
    printf("library version %d (0x%08X)\n", Vonkel_GetDllVersion(), (unsigned)Vonkel_GetDllVersion());
    if (argc < 2)
        return 2;
    /* The DLL this program has loaded, and the tool beside this program. */
    GetModuleFileNameA(GetModuleHandleA("VonkelSdk_430NVTX_QEL.dll"), dll, sizeof dll);
    GetModuleFileNameA(NULL, tool, sizeof tool);
    slash = strrchr(tool, '\\');
    *(slash ? slash + 1 : tool) = 0;
    strncat(tool, argv[1], sizeof tool - strlen(tool) - 1);

    slash = strrchr(dll, '\\');
    CheckFile(dll, slash ? slash + 1 : dll, VFT_DLL);
    CheckFile(tool, argv[1], VFT_APP);
    printf(g_failures ? "%d failures\n" : "version resources agree with Vonkel_GetDllVersion\n", g_failures);
    return g_failures ? 1 : 0;
}
