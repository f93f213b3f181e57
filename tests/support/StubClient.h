#pragma once

#include "session/QxClient.h"

// A client on which every call fails with "not supported" (directory services: bad handle).
// Tests derive from it and override the few calls they feed with byte-level records.
class StubClient : public QxClient
{
public:
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
    qx::Code QXCallsInit(void *reserved1, void *reserved2) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetRequesterVersion(quint8 &major, quint8 &minor, quint8 &revision) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetQXCallsVersion(quint8 &major, quint8 &minor, quint8 &revision, quint8 &beta) override
    {
        return qx::NotSupported;
    }
    quint32 QXGetClientType() override
    {
        return 3;
    }
    qx::Code QXCCOpenConnByName(qx::Handle startConn, const QByteArray &name, quint32 nameFormat, quint32 openState,
                                quint32 transport, qx::Handle &conn) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCCGetPrimConnRef(quint32 &reference) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCCOpenConnByRef(quint32 reference, quint32 openState, quint32 reserved, qx::Handle &conn) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCCCloseConn(qx::Handle conn) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCCGetAllConnInfo(qx::Handle conn, quint32 infoLevel, qx::ConnInfoRecord &info) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCCGetConnAddressLength(qx::Handle conn, quint32 &length) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCCGetConnAddress(qx::Handle conn, quint32 length, qx::TransportAddress &address) override
    {
        return qx::NotSupported;
    }
    qx::DsStatus QXDSCreateContextHandle(qx::Context &context) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSFreeContext(qx::Context context) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSGetContext(qx::Context context, int key, quint32 &flags) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSSetContext(qx::Context context, int key, quint32 flags) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSSetContext(qx::Context context, int key, const QByteArray &text) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSWhoAmI(qx::Context context, qx::DsNameBuffer &name) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSGetBinderyContext(qx::Context context, qx::Handle conn, qx::DsNameBuffer &binderyContext) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSAuthenticate(qx::Handle conn, quint32 optionFlags, void *sessionKey) override
    {
        return qx::DsBadHandle;
    }
    qx::DsStatus QXDSLogin(qx::Context context, quint32 optionFlags, const QByteArray &userName,
                           const QByteArray &password, quint32 validityPeriod) override
    {
        return qx::DsBadHandle;
    }
    qx::Code QXLoginToFileServer(qx::Handle conn, const QByteArray &userName, quint16 objectType,
                                 const QByteArray &password) override
    {
        return qx::NotSupported;
    }
    qx::Code QXScanObject(qx::Handle conn, const QByteArray &searchName, quint16 objectType, quint32 &objectId,
                          qx::ObjectNameBuffer &objectName) override
    {
        return qx::NotSupported;
    }
    qx::Code QXCheckConsolePrivileges(qx::Handle conn) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerInformation(qx::Handle conn, qx::FileServerInformation &info) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerVersionInfo(qx::Handle conn, qx::VersionInfoRecord &info) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetOSVersionInfo(qx::Handle conn, qx::OsVersionRecord &info) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetNetworkSerialNumber(qx::Handle conn, quint32 &serialNumber, quint16 &applicationNumber) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerDescription(qx::Handle conn, qx::ServerDescription &description) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerLoginStatus(qx::Handle conn, quint8 &loginEnabled) override
    {
        return qx::NotSupported;
    }
    qx::Code QXQueryAccountingInstalled(qx::Handle conn, quint8 &installed) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerUTCTime(qx::Handle conn, quint32 &time) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerDateAndTime(qx::Handle conn, qx::DateAndTime &dateTime) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetCacheInfo(qx::Handle conn, qx::CacheInfoRecord &info) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetFileServerInfo(qx::Handle conn, qx::ServerInfoRecord &info) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetVolumeName(qx::Handle conn, quint16 volumeNumber, qx::VolumeNameBuffer &name) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetQLMLoadedList(qx::Handle conn, quint32 startNumber, qx::LoadedListRecord &list) override
    {
        return qx::NotSupported;
    }
    qx::Code QXGetQLMInfo(qx::Handle conn, quint32 moduleNumber, qx::ModuleRecord &info, qx::ModuleFileName &fileName,
                          qx::ModuleDescription &description, qx::ModuleCopyright &copyright) override
    {
        return qx::NotSupported;
    }
    qx::Code QXFileSearchInitialize(qx::Handle conn, quint8 dirHandle, const QByteArray &path,
                                    qx::SearchStart &start) override
    {
        return qx::NotSupported;
    }
    qx::Code QXIntFileSearchContinue(qx::Handle conn, quint8 volumeNumber, quint16 directoryId, quint16 sequence,
                                     quint8 searchAttributes, const QByteArray &pattern, qx::SearchEntryRecord &entry,
                                     quint32 reserved) override
    {
        return qx::NotSupported;
    }
    bool networkDirectoryExists(const QByteArray &uncPath) override
    {
        return false;
    }
#pragma GCC diagnostic pop
};
