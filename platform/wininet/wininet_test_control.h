// Test hooks of the WinINet stand-in: which certificates HTTPS trusts, and handle faults.
#pragma once

namespace WininetTestControl {

// Trust only the certificates of this PEM file for HTTPS (null or "": back to the default,
// which is the CURL_CA_BUNDLE environment variable when set, else the system trust store).
void SetCaBundle(const char* path);

// Closes every open session handle behind its owner's back, so that the next call made with one
// fails with ERROR_INVALID_HANDLE. Returns how many were closed.
int CloseSessionHandles();

// Handles of every kind currently open.
int OpenHandleCount();

// Requests of the process that have ended (closed after their transfer, or refused as they
// were made), counted from the start: a test waits for a program's replies by this.
int EndedRequestCount();

}  // namespace WininetTestControl
