// Warnings, on standard error, about list entries of the machine that the
// library did not keep as it loaded them, and which a write of the family
// would therefore drop or change.
#pragma once

struct HostContext;

void AuditNicLists(HostContext& ctx);
void AuditTcpLists(HostContext& ctx);
