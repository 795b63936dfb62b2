// The launcher's user-visible texts: the string table of the Windows
// executable (launcher.rc) and the compiled-in table of the other builds are
// both made from these definitions, so the texts cannot drift apart.
// \n is one line feed; two spaces in a row are part of a text.
#pragma once

#define IDS_WINDOWS_EXCEPTION 202
#define IDS_JNI_EXCEPTION 203
#define IDS_COM_ERROR 204
#define IDS_JNI_EXCEPTION_UNUSED 205
#define IDS_JRE_NOT_FOUND_SERVER 206
#define IDS_JRE_NOT_FOUND 207
#define IDS_NO_MODULE_PATH 208
#define IDS_NO_CLASS_PATH 209
#define IDS_NO_MAIN_CLASS 210
#define IDS_MAIN_CLASS_NOT_LOADED 211
#define IDS_NO_CREATE_JAVA_VM 212
#define IDS_VM_NOT_CREATED 213
#define IDS_BROWSE_TITLE 214
#define IDS_MAIN_CLASS_NOT_FOUND 215
#define IDS_NO_MAIN_METHOD 216
#define IDS_LATEST_VERSION 217
#define IDS_MAXIMUM_VERSION 218
#define IDS_MINIMUM_VERSION 219
#define IDS_EXACT_VERSION 220
#define IDS_VERSION_RANGE 221
#define IDS_VM_LIBRARY_NOT_LOADED 222
#define IDS_NOT_INITIALIZED 223
#define IDS_MODULE_NOT_INITIALIZED 224

#define TEXT_202 "Windows exception: %s (errno = %d).\n"
#define TEXT_203 "JNI exception: %s.\n"
#define TEXT_204 "COM error: %s (errno = %d).\n"
#define TEXT_205 "JNI exception: %s.\n"
#define TEXT_206 "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE with a server JVM (%s) from:"
#define TEXT_207 "The Java Runtime Environment (JRE) was not found. Please  download and install a JRE (%s) from:"
#define TEXT_208 "failed to get the module path"
#define TEXT_209 "Java Class Path was not specified in INI file."
#define TEXT_210 "Main class was not specified in INI file."
#define TEXT_211 "Failed to load Main Class: %s.\n"
#define TEXT_212 "cannot find CreateJavaVM JNI"
#define TEXT_213 "failed to create the Java VM"
#define TEXT_214 "Browse for JRE folder"
#define TEXT_215 "Could not find the main class %s.\n"
#define TEXT_216 "No main method found in specified class.\n"
#define TEXT_217 "latest version"
#define TEXT_218 "maximum version %s"
#define TEXT_219 "minimum version %s"
#define TEXT_220 "version %s is required"
#define TEXT_221 "version between %s and %s"
#define TEXT_222 "Failed to load Java VM library: %s (errno = %d).\n"
#define TEXT_223 "failed to initialize"
#define TEXT_224 "failed to initialize module"

// Added to the not-found text when the only runtimes found were built for
// another processor: %s the runtimes' architecture, %s the launcher's, %s the
// build of the launcher to use.
#define IDS_OTHER_ARCHITECTURE 225
#define TEXT_225 "Java runtimes were found, but only for %s, and this launcher is built for %s: use the launcher built for %s."

// The address of the Java download site: the text and target of the link in
// the JRE Not Found dialog, and the line after the not-found text elsewhere.
#define DOWNLOAD_ADDRESS "https://adoptium.net/"
