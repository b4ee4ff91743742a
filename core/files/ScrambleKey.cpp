#include "core/files/ScrambleBuffer.h"

// 1932 printable characters; the literal's terminating zero is the table's last byte and takes part in
// the cycle like the others. Files scrambled with this table read back only with this table.
const unsigned char gScrambleKey[kScrambleKeySize] =
    "?NtH1=0/].Ot<'>67-KGtumu:,&0bTUp~!3Hk3y1?o@)ia-GL[;.-E/=atx/h:QT1r7akr/Epos!<+W["
    "M^{Y@p%t>=p3Ro1G2WXs!eC$Q@Y8a++& LNnr0+#6s h8q~MfK?}|EjO11vp]y*jR Eh5_?!qGlu<?Uj"
    "T_'l>Y3xtq}o|jP2q-%bngnoyC%yU-XlQ%&~(&KBJwc]I+-`G][-Sgwy50xZa>(T*P^-h|m/gs:D&:^p"
    "s|*0<EJ,vn)R>{Itg_c.8G<-h?Ji(%8T;TYCx}xHA,S%nlxUNI:-]9+P^.7]_h9#TA*P&/(H_6XERtqc"
    "Rif=`Pk*AX{k(?3[ze!#`4h*]S!K5XAyI%M#tCi74<A&ZqCVk@.mm5oc8]CnsL+$cP OyiJ[rCWy%AbM"
    "n?v/U78^l^q]Y%$LEa,SlEK)nT[vLv4Suyko8`~d/Yy5gsk-VkkbtbIivLd2=EWbK=V.,)u,H?O[.I)}"
    "u0|r`s1,D-ncvV!VBt_OMXX`{IDu_~fw::_qqK$ j{VWm)'XON*P7=$L1lKsW9[hqA#aYp`WO!*/t,8J"
    "X%$758)3uaA4A^By#.fbP8i`[-RpnM/D3r,tUGvY0|5KDD50>~yZ_N-S<gA}p'<]2JtM]ZBt_,-pBMya"
    "S+RYL<>~tVqlQlmi'yy1HdRs_E<)NRN_3u.8-<M/x`b||jcH0qpiiF)EIR6)n$DtxU'7v>N9f/RAIcHJ"
    "Pnlhp73x@+(3tn}HT~:F#TH+uwH'gG5S*CY5yG5cym3rLCQ2.0Zhcn8[_EOS+H>$aJrLyyw]$B&Jk0>S"
    "n9$#O*Wc%4CtKLG-Ex,F!LvU5p+X6)#^;yB*7f=v7KzA(i]~7]R@=RD,HG:pAK&'Dd|Ql#Lub.!7k@rW"
    "J(cS{@A#aXu@:C1(K(Nt6ZLOI7F0Tk@;!%w~^C@E)'fI#z6B]OLUa8r::uCXIUUG8AVe3Fq9Tq%8v;Te"
    "t8JC(pv_>`pWG-)|.Ljt.~_ g9KuvJ7-d)B(h, wF.b6<U{7PI^hszthhVexhy<Z.1.ThTlBT[pGyA%j"
    "Lxkpf&(2'SU+OZhR'?6#nKTW+mz2Y3I@:xDI[S?qIzzkN0R!=_)g:Q:yJ4=/>DbmWw>-'fl zaSMMgu("
    "{oOWr_Keu'JxY3eQQ]Rl- @c C(}(k|jH7 ZDogLjBW-U% E!*5%x#WrKrT=^e[zVa4{Q-,toEjU[V[;"
    "/B;uj<vV=y=@jxHNz1G0AG)t+'NW$`uIl#OJU}qU<82ZzWQSc`,i<G0sS%/!BsIJ0Y.IM#$-32{iH%Sb"
    "3EcRH#5!x=;Af5X~qS|vIMe9)}$N)nFUByV)0~@4h}ZOu+d$K%aX&/Tqy5?LqcVb1'&Wq3[UC~6iCYhq"
    "`b,FT4,$&_EJMos0-hks!-8ipI|SEF51X_>9kqbtI_sj4(qp4wA%S[B6aXA<rqj`(M &S(H#cRK}9)wg"
    ",e(G=X9H5J|($LY$7RKvNyNqs3U{:6MRG ]PBG6ui.20P`hUEXf$'xDZj'GaSK<$ )k;7UDfH[uMnN%S"
    "!9K0sHo<_,!EP:h#/rHI,+im~EhCS^5/ajW}Fs*#(toWDOUOPDOg}?-F9oz@imMo,>.4j~_&>}cCa:1+"
    "R}Xt%/[H$Zm+NT1XSwoW:1C-ViUEYbLX]}Qa{)}{[~E4BLx3l!Lk+BL&|&`,&Joi9]IwZ@4@mSx# XFi"
    "7t.0Td2_QUA&}gQy}oNx>[k{E:~S]]BhoXs*_[u$zyN;#B3w6A#N)<Itr;72V%|FL,d}dD?^PY~YU{(X"
    "Gak}%u[52H*+A}0~JlEUApYOE;,KmCLar/;.[VUW{ #*tlkqz=F3 F='t`#X`7Lp;S$J~,d&77>uAP,o"
    "LCx3(acJwGNlc6T$K^0RM^QK:[uMG48-S/pivc2Cl3Fs=j|sOS>T2rjBFPMCc(2hZ*3qM7g;rdd}+aYu"
    "HCiu$9qSI@ry";
static_assert(sizeof(gScrambleKey) == 1933);
