// ls and get: folders and files read straight out of the decrypted volume.
#pragma once
#include <string>

#include "output_file.h"
#include "vault_proof.h"

// Prints the entries of the folder at path (or the one file at path) to
// standard output: "d" or "-", the size in bytes ("-" for a folder), the name.
void ListVolumePath(const VaultProof &proof, const std::string &path);
// Copies the unnamed data of the file at path to outputPath ("-": standard
// output), created only once the file has been found.
void CopyVolumeFile(const VaultProof &proof, const std::string &path, const std::string &outputPath, bool force);
