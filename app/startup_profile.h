// Start-up's game profile and feature set: finding the profile file, applying a valid one to
// the descriptor copy (never to the constant descriptor), and deriving which frontend features
// are on from the descriptor's operations and the profile's requests, with one log line each
// and the summary the About page shows. Reading the JSON itself is game_profile's.
#pragma once

#include <cstddef>

// Looks for the profile: the requested file (when it is a regular file), then profiles/<name>
// in the data folder, beside the executable, and in "<base>../share/<id>/profiles"; loads the
// first found into fe.profile and applies it to fe.adapter_copy. Everything it decides is
// logged; a rejected, missing or foreign profile leaves the descriptor's values. A requested
// file that is missing, unreadable or rejected is also kept for a toast (tell_profile_unusable).
void load_game_profile(const char* requested_file);

// The toast for a --profile file that was not used; nothing when there was none or it was used.
void tell_profile_unusable();

// Fills fe.feature_enabled and fe.feature_summary from the descriptor copy and fe.profile, and
// logs "feature %-14s requested=%s supported=%s -> %s" for each feature.
void derive_features();
