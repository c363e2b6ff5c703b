<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="en_US">
<context>
    <name>SerialTermPage</name>
    <message>
        <source>— port lost %1 —</source>
        <translation>— 포트 끊김 %1 —</translation>
    </message>
    <message>
        <source>— reopened %1 —</source>
        <translation>— 다시 열림 %1 —</translation>
    </message>
    <message>
        <source>Waiting for %1 to return…</source>
        <translation>%1 포트가 다시 연결되기를 기다리는 중…</translation>
    </message>
    <message>
        <source>Received data</source>
        <translation>수신 데이터</translation>
    </message>
    <message>
        <source>Line to send</source>
        <translation>보낼 문자열</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>보내기</translation>
    </message>
    <message>
        <source>Line end character</source>
        <translation>전송 끝 문자</translation>
    </message>
    <message>
        <source>CR</source>
        <translation>CR</translation>
    </message>
    <message>
        <source>LF</source>
        <translation>LF</translation>
    </message>
    <message>
        <source>Convert strings</source>
        <translation>전송 문자열 변환</translation>
    </message>
    <message>
        <source>Treat as hexadecimal string</source>
        <translation>16진수 문자열로 취급</translation>
    </message>
    <message>
        <source>The hexadecimal string is not an even length.</source>
        <translation>16진수 문자열의 길이가 짝수가 아닙니다.</translation>
    </message>
    <message>
        <source>The format of the hexadecimal string is incorrect.</source>
        <translation>16진수 문자열의 형식이 잘못 되었습니다.</translation>
    </message>
    <message>
        <source>String is too long.</source>
        <translation>문자열의 길이가 너무 깁니다.</translation>
    </message>
    <message>
        <source>There was an error converting the hexadecimal string to binary data.</source>
        <translation>16진수 문자열을 바이너리 데이터로 변환하는데 문제가 발생하였습니다.</translation>
    </message>
    <message>
        <source>Error on COM port. Closing the port.</source>
        <translation>COM 포트 오류. 포트를 닫습니다.</translation>
    </message>
</context>
<context>
    <name>TermToolRow</name>
    <message>
        <source>Timestamps</source>
        <translation>시간 표시</translation>
    </message>
    <message>
        <source>Hex view</source>
        <translation>16진수 보기</translation>
    </message>
    <message>
        <source>Hold when scrolled up</source>
        <translation>스크롤 위치 유지</translation>
    </message>
    <message>
        <source>While you read further up, new data does not move the view</source>
        <translation>위로 스크롤해 읽는 동안 새 데이터가 와도 화면이 움직이지 않습니다</translation>
    </message>
    <message>
        <source>Scrollback:</source>
        <translation>스크롤백:</translation>
    </message>
    <message>
        <source>Scrollback</source>
        <translation>스크롤백</translation>
    </message>
    <message>
        <source>%1 characters</source>
        <translation>%1자</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>찾기</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>지우기</translation>
    </message>
    <message>
        <source>Log…</source>
        <translation>로그…</translation>
    </message>
    <message>
        <source>Stop log</source>
        <translation>로그 중지</translation>
    </message>
    <message>
        <source>Time stamp format</source>
        <translation>시간 표시 형식</translation>
    </message>
    <message>
        <source>Time of day</source>
        <translation>시각</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>날짜와 시각</translation>
    </message>
    <message>
        <source>Seconds since open</source>
        <translation>포트 연 후 경과 초</translation>
    </message>
    <message>
        <source>Gap since previous line</source>
        <translation>이전 줄과의 간격</translation>
    </message>
    <message>
        <source>Record session…</source>
        <translation>세션 기록…</translation>
    </message>
    <message>
        <source>Records both directions with their times, for skw-module-sim --replay</source>
        <translation>양방향 데이터를 시간과 함께 기록합니다 (skw-module-sim --replay 용)</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>기록 중지</translation>
    </message>
</context>
<context>
    <name>TermFindBar</name>
    <message>
        <source>Find:</source>
        <translation>찾기:</translation>
    </message>
    <message>
        <source>Text to find</source>
        <translation>찾을 문자열</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>이전</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>다음</translation>
    </message>
    <message>
        <source>Match case</source>
        <translation>대/소문자 구분</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
</context>
<context>
    <name>TermLogger</name>
    <message>
        <source>Raw bytes as received (*.log)</source>
        <translation>받은 그대로의 바이트 (*.log)</translation>
    </message>
    <message>
        <source>Text as shown, with time stamps (*.txt)</source>
        <translation>화면에 표시된 텍스트, 시간 포함 (*.txt)</translation>
    </message>
    <message>
        <source>Log received data</source>
        <translation>수신 데이터 로그</translation>
    </message>
    <message>
        <source>The log file %1 cannot be opened: %2</source>
        <translation>로그 파일 %1을(를) 열 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Logging to %1</source>
        <translation>로그 기록 중: %1</translation>
    </message>
    <message>
        <source>Logging stopped: writing to %1 failed: %2</source>
        <translation>로그 기록을 중지했습니다. %1에 쓰지 못했습니다: %2</translation>
    </message>
    <message>
        <source>Text as shown, without escape sequences (*.txt)</source>
        <translation>화면에 표시된 텍스트, 제어 문자 제외 (*.txt)</translation>
    </message>
</context>
<context>
    <name>TermLineRow</name>
    <message>
        <source>DTR</source>
        <translation>DTR</translation>
    </message>
    <message>
        <source>DTR (data terminal ready)</source>
        <translation>DTR (데이터 단말 준비)</translation>
    </message>
    <message>
        <source>RTS</source>
        <translation>RTS</translation>
    </message>
    <message>
        <source>RTS (request to send)</source>
        <translation>RTS (송신 요청)</translation>
    </message>
    <message>
        <source>CTS</source>
        <translation>CTS</translation>
    </message>
    <message>
        <source>CTS (clear to send)</source>
        <translation>CTS (송신 허가)</translation>
    </message>
    <message>
        <source>DSR</source>
        <translation>DSR</translation>
    </message>
    <message>
        <source>DSR (data set ready)</source>
        <translation>DSR (데이터 세트 준비)</translation>
    </message>
    <message>
        <source>DCD</source>
        <translation>DCD</translation>
    </message>
    <message>
        <source>DCD (carrier detect)</source>
        <translation>DCD (캐리어 검출)</translation>
    </message>
    <message>
        <source>RI</source>
        <translation>RI</translation>
    </message>
    <message>
        <source>RI (ring indicator)</source>
        <translation>RI (링 표시)</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>브레이크</translation>
    </message>
    <message>
        <source>Holds the line in the break condition for a quarter of a second</source>
        <translation>회선을 0.25초 동안 브레이크 상태로 유지합니다</translation>
    </message>
    <message>
        <source>Reconnect automatically</source>
        <translation>자동 재연결</translation>
    </message>
    <message>
        <source>When the port is lost, wait for it to come back and reopen it</source>
        <translation>포트가 끊기면 다시 나타날 때까지 기다렸다가 다시 엽니다</translation>
    </message>
    <message>
        <source>This port has no modem lines</source>
        <translation>이 포트에는 모뎀 제어선이 없습니다</translation>
    </message>
    <message>
        <source>With hardware flow control the driver drives RTS</source>
        <translation>하드웨어 흐름 제어에서는 드라이버가 RTS를 제어합니다</translation>
    </message>
    <message>
        <source>Leave DTR and RTS as they are when opening</source>
        <translation>포트를 열 때 DTR과 RTS를 그대로 두기</translation>
    </message>
    <message>
        <source>For a board whose reset is wired to DTR or RTS: opening and closing the port do not change them</source>
        <translation>리셋이 DTR 또는 RTS에 연결된 보드용: 포트를 열고 닫아도 바꾸지 않습니다</translation>
    </message>
</context>
<context>
    <name>TermFileSender</name>
    <message>
        <source>Send file…</source>
        <translation>파일 보내기…</translation>
    </message>
    <message>
        <source>Send file</source>
        <translation>파일 보내기</translation>
    </message>
    <message>
        <source>File sending progress</source>
        <translation>파일 전송 진행률</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Cancel sending the file</source>
        <translation>파일 전송 취소</translation>
    </message>
    <message>
        <source>The file %1 cannot be read.</source>
        <translation>파일 %1을(를) 읽을 수 없습니다.</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Line delay:</source>
        <translation>줄 지연:</translation>
    </message>
    <message>
        <source>Delay after each line (ms)</source>
        <translation>줄마다 지연 (ms)</translation>
    </message>
    <message>
        <source>Character delay:</source>
        <translation>문자 지연:</translation>
    </message>
    <message>
        <source>Delay after each character (ms)</source>
        <translation>문자마다 지연 (ms)</translation>
    </message>
</context>
<context>
    <name>TermRichedit</name>
    <message>
        <source>Copy</source>
        <translation>복사</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>모두 선택</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>붙여넣기</translation>
    </message>
</context>
<context>
    <name>TermMacroRow</name>
    <message>
        <source>Edit…</source>
        <translation>편집…</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>중지</translation>
    </message>
    <message>
        <source>Stop repeating macros</source>
        <translation>매크로 반복 중지</translation>
    </message>
    <message>
        <source>Macro %1, empty</source>
        <translation>매크로 %1, 비어 있음</translation>
    </message>
    <message>
        <source>Macro %1: %2</source>
        <translation>매크로 %1: %2</translation>
    </message>
    <message>
        <source>Click to set this macro</source>
        <translation>눌러서 이 매크로를 설정합니다</translation>
    </message>
    <message>
        <source> (every %1 ms)</source>
        <translation> (%1ms마다)</translation>
    </message>
</context>
<context>
    <name>TermMacroDlg</name>
    <message>
        <source>Macro %1</source>
        <translation>매크로 %1</translation>
    </message>
    <message>
        <source>Macro name</source>
        <translation>매크로 이름</translation>
    </message>
    <message>
        <source>Text to send</source>
        <translation>보낼 문자열</translation>
    </message>
    <message>
        <source>Hexadecimal string</source>
        <translation>16진수 문자열</translation>
    </message>
    <message>
        <source>Line end</source>
        <translation>줄 끝 문자</translation>
    </message>
    <message>
        <source>None</source>
        <translation>없음</translation>
    </message>
    <message>
        <source>CR LF</source>
        <translation>CR LF</translation>
    </message>
    <message>
        <source>Repeat every (ms)</source>
        <translation>반복 간격 (ms)</translation>
    </message>
    <message>
        <source>Once</source>
        <translation>한 번</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>이름:</translation>
    </message>
    <message>
        <source>Text:</source>
        <translation>문자열:</translation>
    </message>
    <message>
        <source>Line end:</source>
        <translation>줄 끝 문자:</translation>
    </message>
    <message>
        <source>Repeat every:</source>
        <translation>반복 간격:</translation>
    </message>
    <message>
        <source>The hexadecimal string must be pairs of digits 0-9 and A-F.</source>
        <translation>16진수 문자열은 0-9와 A-F 숫자의 쌍이어야 합니다.</translation>
    </message>
    <message>
        <source>CR</source>
        <translation>CR</translation>
    </message>
    <message>
        <source>LF</source>
        <translation>LF</translation>
    </message>
</context>
<context>
    <name>TermRecorder</name>
    <message>
        <source>Record session</source>
        <translation>세션 기록</translation>
    </message>
    <message>
        <source>Session recordings (*.session)</source>
        <translation>세션 기록 (*.session)</translation>
    </message>
    <message>
        <source>The session file %1 cannot be written: %2</source>
        <translation>세션 파일 %1에 쓸 수 없습니다: %2</translation>
    </message>
</context>
</TS>
