// Checks of the address texts that Wake-on-LAN needs, shared by the dialogs
// and the remote-control server.
#pragma once

// 1 when text is exactly 12 hexadecimal digits, else 0. Upper-cases the
// text in place as far as it was examined.
int IsValidMACAddress(char* text);
// 1 when text starts with four dotted decimal numbers of 0 to 255, else 0;
// anything after the fourth number is not looked at.
int IsValidIPAddress(const char* text);
