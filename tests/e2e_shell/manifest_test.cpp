// The application manifest of both shipped programs, read from the built
// files of the build under test: resource type 24, id 1, the checked-in text,
// and what a side-by-side loader (Wine's) makes of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "under_test.h"

#ifndef TLS_MANIFEST_SOURCE
#error TLS_MANIFEST_SOURCE must name the checked-in manifest
#endif

namespace {

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The manifest resource's text, and how many manifest resources there are.
std::string ManifestOf(const std::string& program, int* manifests) {
    *manifests = 0;
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "<not loadable: error " + std::to_string(GetLastError()) + ">";
    EnumResourceNamesA(module, MAKEINTRESOURCEA(24), CountName, reinterpret_cast<LONG_PTR>(manifests));
    std::string text = "<no resource 24/1>";
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes) text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

// Every start tag that declares more than one namespace.
std::string TagsWithTwoNamespaces(const std::string& xml) {
    std::string found;
    for (std::size_t open = xml.find('<'); open != std::string::npos; open = xml.find('<', open + 1)) {
        std::string tag = xml.substr(open, xml.find('>', open) - open);
        std::size_t first = tag.find("xmlns");
        if (first != std::string::npos && tag.find("xmlns", first + 5) != std::string::npos) found += tag + "> ";
    }
    return found;
}

void ExpectAdministratorManifest(const std::string& program) {
    SCOPED_TRACE(program);
    const std::string expected = ReadWholeFile(TLS_MANIFEST_SOURCE);
    ASSERT_NE(expected, "<missing>") << TLS_MANIFEST_SOURCE;
    int manifests = 0;
    const std::string text = ManifestOf(program, &manifests);
    EXPECT_EQ(text, expected) << "resource 24/1 of " << program;
    EXPECT_EQ(manifests, 1) << "manifest resources in " << program;
    EXPECT_NE(text.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\">"), std::string::npos) << text;
    EXPECT_EQ(TagsWithTwoNamespaces(text), "") << "Windows XP SP2 restarts on such a tag";
    EXPECT_EQ(text.find("dependency"), std::string::npos) << "nothing but the execution level: " << text;

    // The side-by-side loader reads the execution level from the file's
    // resource as Windows Vista does at the program's start.
    ACTCTXA request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "activation context from " << program << ", error " << GetLastError();
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    SIZE_T got = 0;
    BOOL queried = QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level, sizeof level,
                                &got);
    ReleaseActCtx(context);
    ASSERT_TRUE(queried) << "run level of " << program << ", error " << GetLastError();
    EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN) << "run level " << level.RunLevel;
    EXPECT_EQ(level.UiAccess, 0u);
}

TEST(ShippedPrograms, BothAskForAdministratorRightsThroughTheirManifest) {
    ExpectAdministratorManifest(robot::ProgramsDir() + "tlsetup.exe");
    ExpectAdministratorManifest(robot::ProgramsDir() + "tldesetup.exe");
}

}  // namespace
