<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>CsKWEVBManagerDlg</name>
    <message>
        <source>Settings files (*.json)</source>
        <translation>설정 파일 (*.json)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>모든 파일 (*)</translation>
    </message>
    <message>
        <source>Apply settings file</source>
        <translation>설정 파일 적용</translation>
    </message>
    <message>
        <source>Save module settings</source>
        <translation>모듈 설정 저장</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>메뉴</translation>
    </message>
    <message>
        <source>Setup COM port</source>
        <translation>COM 포트 설정</translation>
    </message>
    <message>
        <source>Save module settings…</source>
        <translation>모듈 설정 저장…</translation>
    </message>
    <message>
        <source>Apply settings file…</source>
        <translation>설정 파일 적용…</translation>
    </message>
    <message>
        <source>sKW Manager Info.</source>
        <translation>sKW Manager 정보</translation>
    </message>
    <message>
        <source>COM port closed</source>
        <translation>COM 포트 닫힘</translation>
    </message>
    <message>
        <source>Stopping the production station…</source>
        <translation>생산 스테이션을 정지하는 중…</translation>
    </message>
    <message>
        <source>Production station</source>
        <translation>생산 스테이션</translation>
    </message>
    <message>
        <source>Unable to open a COM port.</source>
        <translation>COM 포트를 열 수 없습니다.</translation>
    </message>
</context>
<context>
    <name>ProfileApplyDlg</name>
    <message>
        <source>Apply settings file</source>
        <translation>설정 파일 적용</translation>
    </message>
    <message>
        <source>These settings of %1 differ from the module&apos;s:</source>
        <translation>%1의 다음 설정이 모듈과 다릅니다:</translation>
    </message>
    <message>
        <source>Differences</source>
        <translation>차이</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>설정</translation>
    </message>
    <message>
        <source>Module</source>
        <translation>모듈</translation>
    </message>
    <message>
        <source>File</source>
        <translation>파일</translation>
    </message>
    <message>
        <source>Start number for {n} in the device name:</source>
        <translation>장치명의 {n} 시작 번호:</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>적용</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>The module is read again once they have been applied.</source>
        <translation>적용한 뒤 모듈을 다시 읽습니다.</translation>
    </message>
</context>
</TS>
