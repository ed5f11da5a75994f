// A self-signed certificate for 127.0.0.1 and localhost (valid 2000-2100) with its key,
// for the loopback servers' TLS and for clients that must trust exactly that server.
#pragma once

extern const char kLoopbackCertificatePem[];
extern const char kLoopbackKeyPem[];
