<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>sKW Manager Information</source>
        <translation>sKW Manager 정보</translation>
    </message>
    <message>
        <source>This program is a PC program for configuring sKW52x and DTQ50.</source>
        <translation>본 프로그램은 sKW52x, DTQ50 설정 및 테스트 용 PC 프로그램입니다</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
</context>
<context>
    <name>ComPortCfgDlg</name>
    <message>
        <source>COM port settings for communication with device</source>
        <translation>GaX sKW 모듈과의 통신 설정</translation>
    </message>
    <message>
        <source>A port of this computer, or one exported over the network: rfc2217://host:port or socket://host:port</source>
        <translation>이 컴퓨터의 포트, 또는 네트워크로 내보낸 포트: rfc2217://호스트:포트 또는 socket://호스트:포트</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a network port. Type rfc2217://host:port or socket://host:port, with a port number from 1 to 65535.</source>
        <translation>&quot;%1&quot;은(는) 네트워크 포트가 아닙니다. rfc2217://호스트:포트 또는 socket://호스트:포트 형식으로 입력하십시오. 포트 번호는 1부터 65535까지입니다.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not in the list of ports. Choose a port from the list, or type a network port as rfc2217://host:port or socket://host:port.</source>
        <translation>&quot;%1&quot;은(는) 포트 목록에 없습니다. 목록에서 포트를 고르거나, 네트워크 포트를 rfc2217://호스트:포트 또는 socket://호스트:포트 형식으로 입력하십시오.</translation>
    </message>
    <message>
        <source>Com port</source>
        <translation>통신 포트</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>통신 속도</translation>
    </message>
    <message>
        <source>Flow control</source>
        <translation>흐름 제어 </translation>
    </message>
    <message>
        <source>Configurator</source>
        <translation>모듈 설정</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>시리얼 터미널</translation>
    </message>
    <message>
        <source>Production</source>
        <translation>생산</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
</context>
</TS>
